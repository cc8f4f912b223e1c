// Helpers the plan exchange files share.
#pragma once

#include <string>
#include <string_view>

#include "engine/model.h"
#include "cad/cad_document.h"

namespace vd {

using FixedTextView = std::string_view;

// A fixed-width field as it goes into a drawing: never-assigned NULs become blanks.
std::string XText(const FixedTextView& f);
// Item of extended data as a number (text items through Val) or as a text.
double XNumber(const XData& d, size_t item);
std::string XString(const XData& d, size_t item);
// A progress value 0 to 100 from a fraction.
int ProgressOf(double fraction);
// Creates the named selection set, deleting one of that name first.
CadSelectionSet& FreshSelectionSet(CadDocument& doc, const std::string& name);
// A LINE carrying the program's plan data.
bool IsPlanLine(const CadEntity& e);

}  // namespace vd
