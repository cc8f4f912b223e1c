// The design-criteria panel as plain state over the Model: what its two
// frames show (captions, labels, boxes, the selected option), the page
// builders that fill them from the criteria, and the stores that write the
// boxes back. The window in criteria_pages.* only mirrors this state, so
// every rule here is tested without widgets.
//
// Both frames are shared by their pages: a page is built by relabelling and
// refilling the same boxes, and every store decides what the boxes mean by
// the frame's caption, exactly as shown ("Storm data " with its blank).
#pragma once

#include <array>
#include <string>

#include "engine/model.h"

namespace vd {

inline constexpr int kOptionBoxes = 4;
inline constexpr int kListRows = 15;

// Frame1: the option pages "Infiltration", "Population1", "Population2".
struct OptionFrame {
    std::string Caption = "Frame1";
    bool Visible = false;
    int Selected = -1;  // index of the selected option; -1 none
    std::array<std::string, kOptionBoxes> OptionCaption{};
    std::array<std::string, kOptionBoxes> Text{};
    std::array<std::string, kOptionBoxes> Label{" ", " ", " ", " "};
    std::array<bool, kOptionBoxes> TextVisible{true, true, true, true};
    uint32_t Built = 0;  // DesignCriteria::Replaced when its page was built
};

// Frame3: the list pages "Title", "Basic Criteria", "Storm data ".
struct ListFrame {
    std::string Caption = "Frame3";
    bool Visible = false;
    std::array<std::string, kListRows> Text{};
    std::array<std::string, kListRows> Label{};
    std::array<bool, kListRows> TextVisible{};
    std::array<bool, kListRows> TextEnabled{};
    // Characters typed into box k that a text of the criteria (Latin-1)
    // cannot hold, as the window read them (UTF-8); Text holds "?" for each.
    std::array<std::string, kListRows> Unkept{};
    // What the last stores could not keep of them, for the window to say
    // (UTF-8, as the characters have no Latin-1 form); it empties it.
    std::string UnkeptNote;
    uint32_t Built = 0;  // DesignCriteria::Replaced when its page was built
    ListFrame() {
        Label.fill(" ");
        TextVisible.fill(true);
        TextEnabled.fill(true);
    }
};

// Box text of a criterion: shortest decimal text with at most 15 significant
// digits, so that the box reads back to the same value; empty when unset.
std::string CriterionText(const Number& value);

// A page stores only into the criteria it was built from: once they are
// replaced (a reset, an import), storing a page built before does nothing.
struct CriteriaPanel {
    OptionFrame Frame1;
    ListFrame Frame3;

    // Stores the list page last built on Frame3.
    void update1(Model& m);
    // Stores the option page last built on Frame1, its mode included.
    void projectupdate(Model& m);
    // Lays out the option page for the option Index and stores its boxes;
    // the mode is stored only when the page is stored.
    void update(Model& m, int Index);
    // An option becomes selected, by a click or by a page builder.
    void Option1_Click(Model& m, int Index);

    // Page builders; the option pages first store the option page held.
    void ShowProjectHeaderPage(const Model& m);
    void ShowBasicCriteriaPage(const Model& m);
    void ShowStormPage(const Model& m);
    void ShowInfiltrationPage(Model& m);
    void ShowPopulation1Page(Model& m);
    void ShowPopulation2Page(Model& m);

    // The page shown is stored: the list page, then the option page.
    void StorePageShown(Model& m);
    // Tab k (1 to 6) chosen: the page shown is stored and tab k's page built.
    void TabStrip1_Click(Model& m, int tab);
    // The panel closes: the list page held is stored, and the option page
    // too when it is the one shown, so nothing typed or chosen is lost.
    void StoreOnClose(Model& m);

private:
    void ShowPopulationPage(Model& m, int zone);
};

}  // namespace vd
