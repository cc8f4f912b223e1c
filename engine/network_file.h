// The network text file (".asb" and its backups) and the coordinates file
// (".cor"): writer and reader.
#pragma once

#include <cstdint>
#include <string>

#include "engine/model.h"
#include "engine/outcome.h"

namespace vd {

// Writes folder + fileName (folder ends with '/' or is empty). Every line
// 1..LineCount is written exactly once. The file is written to a temporary
// name and renamed over the target, so a failed save never destroys what it
// replaces. Failures show the message their error number chooses through
// the model's UI sink and log the file's name; the outcome says which file
// was not saved and why.
Outcome SaveNetworkText(Model& m, const std::string& fileName, const std::string& folder);

// The network file numbers its rows in the writer's order, and row k of the
// ".cor" companion belongs to row k of the network file, so a project saved
// with a different row order needs its coordinates written in that order too.
// HasCoordinates: some line 1..LineCount has a plan coordinate.
bool HasCoordinates(const Model& m);
// Writes folder + fileName as "MHB,X1,Y1,X2,Y2" rows in SaveNetworkText's
// row order, replacing the old file only when complete.
Outcome SaveCoordinatesText(Model& m, const std::string& fileName, const std::string& folder);

// Saves a project: folder + name + ".asb", and beside it the plan
// coordinates in name + ".cor" when the lines have any. A save without
// coordinates moves an older name.cor aside to name.cor.bak, so the next
// Open does not hand these lines another network's coordinates. Fails when
// the network file was not written; a coordinates file that could not be
// written or moved is logged and shown, the network file stays saved.
Outcome SaveProject(Model& m, const std::string& name, const std::string& folder);

// A digest of what the network file and its coordinates hold of lines
// 1..LineCount, to tell whether the network changed since it was last read
// or saved.
std::uint64_t NetworkFingerprint(const Model& m);

// Reads path into lines 1.. of the tables (the caller clears rows first),
// which it sizes to the lines read (Model::FitLineTables); a file of more
// lines than a network holds fails with a message naming both. Then reads
// the ".cor" companion found through ProjectFolder and ProjectName, then writes the ".bak" backup when the read succeeded.
// Leaves LatCount 0: the lateral table describes no lines until the next
// Process. Fails, with the message it showed, when the file could not be
// read to its end (rows read so far stay, LineCount counts them; no backup
// is written): among others at a name (From, to, Latral, MhType) holding a
// control character or DEL, which the message names with its row and field,
// and at a number too large for a single value, which the log says is too
// large. A read of no line rows succeeds with a note saying so.
Outcome LoadNetworkText(Model& m, const std::string& path);

// folder + name, with a '/' between them when folder is not empty and does
// not end with one.
std::string JoinFolder(const std::string& folder, const std::string& name);

}  // namespace vd
