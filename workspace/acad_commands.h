// The workspace's exchange with the CAD drawing: the connection, the plan
// drawing ("ACAD"), the read-backs ("Get ACAD", "Get ACAD Block") and the
// plan synchronisation. Each takes the shared tables and the one CAD
// application the workspace holds.
#pragma once

#include "engine/model.h"
#include "engine/outcome.h"
#include "cad/cad_document.h"

namespace vd {

class EscKeyPoll;

// Attaches to the open drawing, or opens a new empty one; makes the plan
// layers, the marker text and the block "Endblock". Fails when no drawing
// could be reached (nothing shown, as the callers go on).
Outcome ConnectAutoCAD(Model& m, CadApplication& app);

// Plan drawing: erase the program's earlier plan lines, then draw one LINE
// per line record with its extended data "SEWER", "DORADO" and "DUV".
void delobject(Model& m, CadApplication& app);
void drawline(Model& m, CadApplication& app);
// The block "IN-OUT", defined when the drawing answers InvalidInput.
void DefineInOutBlock(CadDocument& doc);
// The "ACAD" button: ConnectAutoCAD, delobject, drawline. A failing step is
// logged and the next one runs; the result says the first failure. The
// Drawing window then frames the plan drawn.
Outcome AcadPlanCommand(Model& m, CadApplication& app);

// Plan synchronisation: positions and lateral names back from the LINEs.
void syncron(Model& m, CadApplication& app);
Outcome SyncWithAutoCAD(Model& m, CadApplication& app);

// The read-backs proper; they need a connected drawing. GetAcadLines ends
// early when Esc is pressed (failing with kStoppedByEsc); keys may be null
// (no Esc test). A drawing error fails with its description. GetAcadLines
// succeeds with a note when lines did not fit in the line table.
extern const char* const kStoppedByEsc;
Outcome GetAcadLines(Model& m, CadApplication& app, EscKeyPoll* keys);
Outcome getmhblock(Model& m, CadApplication& app);

// The File menu commands "Get ACAD" and "Get ACAD Block": connect to the
// open drawing; only when it holds something to read (plan LINEs with their
// data numbered within the line table, "Mhblock" blocks) and no name to be
// read holds a control character, empty ProjectName, ResetProject and read
// it. Status "Get Acad Data ... OK" / "Get Block Data
// ... OK" on success; a missing drawing, a failure or Esc is said as such and
// the project is left as it was (Esc: the lines read so far stay).
Outcome GetAcadCommand(Model& m, CadApplication& app, EscKeyPoll* keys = nullptr);
Outcome GetAcadBlockCommand(Model& m, CadApplication& app);

// The sheet-grid cell name of a plan point ("A1", "AB12"), "" without a grid.
std::string SheetCellText(const CadApplication& app, double x, double y);

}  // namespace vd
