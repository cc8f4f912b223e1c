#include "workspace/excel_export.h"

#include <QDir>
#include <QFileInfo>

#include "platform/workbook.h"

namespace vd {

Outcome WriteGridWorkbook(const QString& path, const GridTextMatrix& grid, int rows, int cols,
                          const std::string& title) {
    return WriteWorkbook(
        path, QString::fromLatin1(title), std::max(rows, 0), std::max(cols - 1, 0),
        [&](int r, int c, std::string& utf8) {
            // Latin-1 to UTF-8, with the blank every exported cell ends in.
            for (unsigned char ch : grid(r, c + 1)) {
                if (ch < 0x80) {
                    utf8 += static_cast<char>(ch);
                } else {
                    utf8 += static_cast<char>(0xC0 | ch >> 6);
                    utf8 += static_cast<char>(0x80 | (ch & 0x3F));
                }
            }
            utf8 += ' ';
        },
        CellTyping::Numbers);
}

void FlexGrid_To_Excel(const GridTextMatrix& grid, int16_t rows, int16_t cols, int /*flag*/, const std::string& title,
                       Dialogs& dialogs, UiSink& ui, const WorkbookOpener& open) {
    const QString preset = title.empty() ? QStringLiteral("grid.xlsx") : QString::fromLatin1(title) + ".xlsx";
    std::optional<QString> chosen = dialogs.SaveFile(QStringLiteral("Print to Excel"),
                                                     QStringLiteral("Excel File (*.xlsx)|*.xlsx"), preset);
    if (!chosen || chosen->isEmpty()) return;
    QString path = *chosen;
    if (!path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) path += QStringLiteral(".xlsx");
    if (QFileInfo::exists(path) && !dialogs.AskYesNo(QStringLiteral(" Overwrite ?"), false)) return;

    ui.SetStatus("Print to Excel ...");
    if (Outcome o = WriteGridWorkbook(path, grid, rows, cols, title); !o) {
        ui.SetStatus("");
        ui.MessageBox("Print to Excel: " + o.message());
        return;
    }
    const std::string shown = QDir::toNativeSeparators(path).toLatin1().toStdString();
    const bool opened = open ? open(path) : OpenWorkbookInDesktop(path);
    if (opened)
        ui.SetStatus("Excel file: " + shown);
    else
        ui.SetStatus("Excel file saved as " + shown + " (no spreadsheet program is registered to open it)");
}

}  // namespace vd
