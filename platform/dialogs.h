// File dialogs and message boxes of the window side, behind one interface so
// that tests answer them without blocking.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

class QWidget;

namespace vd {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // filter is in the "description|pattern|description|pattern" form.
    // nullopt is a cancel; otherwise the full path chosen (may be empty).
    virtual std::optional<QString> OpenFile(const QString& title, const QString& filter) = 0;
    virtual std::optional<QString> SaveFile(const QString& title, const QString& filter,
                                            const QString& presetName) = 0;
    // OK-only message box with the program's title.
    virtual void Message(const QString& text) = 0;
    // Yes/No question; true for Yes.
    virtual bool AskYesNo(const QString& text, bool defaultYes) = 0;
    // Unsaved work: save it, discard it, or cancel what would lose it.
    enum class SaveChoice { Save, Discard, Cancel };
    virtual SaveChoice AskSaveChanges(const QString& text) = 0;
};

// "profile File (*.asb)|*.asb" -> "profile File (*.asb *.ASB)": the Qt name
// filter of each pair; patterns match in both letter cases, as they did on
// the file system the files come from.
QStringList QtNameFilters(const QString& filter);

// Native Qt dialogs, modal to the parent window.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    std::optional<QString> OpenFile(const QString& title, const QString& filter) override;
    std::optional<QString> SaveFile(const QString& title, const QString& filter,
                                    const QString& presetName) override;
    void Message(const QString& text) override;
    bool AskYesNo(const QString& text, bool defaultYes) override;
    SaveChoice AskSaveChanges(const QString& text) override;

private:
    QWidget* parent_;
    QString lastFolder_;
};

// Answers from queues and records every question; an empty queue answers
// Cancel or No. Used by tests and by anything that must run unattended.
class ScriptedDialogs : public Dialogs {
public:
    struct Asked {
        enum Kind { Open, Save, Message, YesNo, SaveChanges } kind;
        QString title;   // dialog title, or the message text
        QString filter;  // filter, or empty
        QString preset;  // save preset name; "Yes"/"No" default of a question
    };

    std::optional<QString> OpenFile(const QString& title, const QString& filter) override;
    std::optional<QString> SaveFile(const QString& title, const QString& filter,
                                    const QString& presetName) override;
    void Message(const QString& text) override;
    bool AskYesNo(const QString& text, bool defaultYes) override;
    SaveChoice AskSaveChanges(const QString& text) override;

    std::deque<std::optional<QString>> files;  // answers of Open and Save
    std::deque<bool> answers;                  // answers of AskYesNo
    std::deque<SaveChoice> saveChoices;        // answers of AskSaveChanges
    std::vector<Asked> asked;
    std::vector<QString> messages;  // the OK-only texts, in order

private:
    std::optional<QString> NextFile();
};

}  // namespace vd
