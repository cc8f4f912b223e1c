// Workbooks for the spreadsheet tests: hand-written package parts zipped
// here, and workbooks written by openpyxl under the system Python, a writer
// and reader this project did not write.
#pragma once

#include <minizip/zip.h>

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "temp_dir.h"
#include "python_checker.h"

namespace vd::test {

inline bool HaveOpenpyxl() {
    static const bool have = SystemPythonHas("openpyxl");
    return have;
}

// Runs a script with the system Python; its standard output lands in `out`.
inline bool RunPython(const std::filesystem::path& folder, const std::string& script, std::string* out = nullptr) {
    const PythonRun run = RunSystemPython(folder, script, {}, false);
    if (out) *out = run.output;
    return run.ok();
}

using Parts = std::map<std::string, std::string>;

inline void WriteZip(const std::filesystem::path& path, const Parts& parts) {
    zipFile zip = zipOpen64(path.string().c_str(), APPEND_STATUS_CREATE);
    if (!zip) return;
    for (const auto& [name, bytes] : parts) {
        zip_fileinfo info{};
        zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_BEST_SPEED, 0);
        zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
        zipCloseFileInZip(zip);
    }
    zipClose(zip, nullptr);
}

// A package whose entry `name` inflates `copies` times `piece` between
// `head` and `tail`, deflated as it is made, so the file stays small.
inline void WriteInflatingZip(const std::filesystem::path& path, Parts parts, const std::string& name,
                              const std::string& head, const std::string& piece, long long copies,
                              const std::string& tail) {
    zipFile zip = zipOpen64(path.string().c_str(), APPEND_STATUS_CREATE);
    if (!zip) return;
    parts.erase(name);
    for (const auto& [n, bytes] : parts) {
        zip_fileinfo info{};
        zipOpenNewFileInZip64(zip, n.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_BEST_SPEED, 0);
        zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
        zipCloseFileInZip(zip);
    }
    zip_fileinfo info{};
    zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_BEST_COMPRESSION, 1);
    zipWriteInFileInZip(zip, head.data(), static_cast<unsigned>(head.size()));
    std::string block;
    const long long perBlock = std::max<long long>(1, (1 << 20) / static_cast<long long>(piece.size()));
    for (long long k = 0; k < perBlock; ++k) block += piece;
    for (long long done = 0; done < copies; done += perBlock) {
        const long long n = std::min(perBlock, copies - done);
        zipWriteInFileInZip(zip, block.data(), static_cast<unsigned>(n * static_cast<long long>(piece.size())));
    }
    zipWriteInFileInZip(zip, tail.data(), static_cast<unsigned>(tail.size()));
    zipCloseFileInZip(zip);
    zipClose(zip, nullptr);
}

inline std::string SheetXml(const std::string& rows) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>" +
           rows + "</sheetData></worksheet>";
}

// A package with the given sheets (name, sheet part XML), an optional table
// of shared texts (its <si> items), and the active tab.
inline Parts WorkbookParts(const std::vector<std::pair<std::string, std::string>>& sheets,
                           const std::string* sharedItems = nullptr, int activeTab = 0) {
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    Parts p;
    p["[Content_Types].xml"] =
        "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>";
    p["_rels/.rels"] = "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
                       "2006/relationships\"><Relationship Id=\"rId1\" Type=\"" +
                       rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    std::string list, rels;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        std::string id = "rId" + std::to_string(i + 1);
        list += "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + std::to_string(i + 1) + "\" r:id=\"" + id + "\"/>";
        // Absolute and relative targets both occur in the wild.
        std::string target = (i % 2 ? "/xl/worksheets/sheet" : "worksheets/sheet") + std::to_string(i + 1) + ".xml";
        rels += "<Relationship Id=\"" + id + "\" Type=\"" + rel + "/worksheet\" Target=\"" + target + "\"/>";
        p["xl/worksheets/sheet" + std::to_string(i + 1) + ".xml"] = sheets[i].second;
    }
    if (sharedItems) {
        rels += "<Relationship Id=\"rIdS\" Type=\"" + rel + "/sharedStrings\" Target=\"sharedStrings.xml\"/>";
        p["xl/sharedStrings.xml"] = "<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/"
                                    "spreadsheetml/2006/main\">" +
                                    *sharedItems + "</sst>";
    }
    p["xl/workbook.xml"] = "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
                           "2006/main\" xmlns:r=\"" +
                           rel + "\"><bookViews><workbookView activeTab=\"" + std::to_string(activeTab) +
                           "\"/></bookViews><sheets>" + list + "</sheets></workbook>";
    p["xl/_rels/workbook.xml.rels"] =
        "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
        "relationships\">" +
        rels + "</Relationships>";
    return p;
}

}  // namespace vd::test
