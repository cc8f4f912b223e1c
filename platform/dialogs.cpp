#include "platform/dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

namespace vd {

namespace {
const char* const kProgramTitle = "VIDODUV";
}

QStringList QtNameFilters(const QString& filter) {
    QStringList parts = filter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QRegularExpression("[;\\s]+"), Qt::SkipEmptyParts)) {
            patterns << p;
            if (p.toUpper() != p) patterns << p.toUpper();
        }
        QString description = parts[i];
        int paren = description.indexOf('(');
        if (paren >= 0) description = description.left(paren).trimmed();
        out << QStringLiteral("%1 (%2)").arg(description, patterns.join(' '));
    }
    if (out.isEmpty()) out << QStringLiteral("All files (*)");
    return out;
}

std::optional<QString> QtDialogs::OpenFile(const QString& title, const QString& filter) {
    QFileDialog dlg(parent_, title, lastFolder_);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setNameFilters(QtNameFilters(filter));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    QString path = dlg.selectedFiles().front();
    lastFolder_ = QFileInfo(path).absolutePath();
    return path;
}

std::optional<QString> QtDialogs::SaveFile(const QString& title, const QString& filter,
                                           const QString& presetName) {
    QFileDialog dlg(parent_, title, lastFolder_);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setNameFilters(QtNameFilters(filter));
    // The caller asks about overwriting the file it will really write.
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!presetName.isEmpty()) dlg.selectFile(presetName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return std::nullopt;
    QString path = dlg.selectedFiles().front();
    lastFolder_ = QFileInfo(path).absolutePath();
    return path;
}

void QtDialogs::Message(const QString& text) {
    QMessageBox::information(parent_, kProgramTitle, text, QMessageBox::Ok);
}

bool QtDialogs::AskYesNo(const QString& text, bool defaultYes) {
    auto answer = QMessageBox::question(parent_, kProgramTitle, text, QMessageBox::Yes | QMessageBox::No,
                                        defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return answer == QMessageBox::Yes;
}

Dialogs::SaveChoice QtDialogs::AskSaveChanges(const QString& text) {
    auto answer = QMessageBox::question(parent_, kProgramTitle, text,
                                        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                        QMessageBox::Save);
    if (answer == QMessageBox::Save) return SaveChoice::Save;
    if (answer == QMessageBox::Discard) return SaveChoice::Discard;
    return SaveChoice::Cancel;
}

std::optional<QString> ScriptedDialogs::OpenFile(const QString& title, const QString& filter) {
    asked.push_back({Asked::Open, title, filter, {}});
    return NextFile();
}

std::optional<QString> ScriptedDialogs::SaveFile(const QString& title, const QString& filter,
                                                 const QString& presetName) {
    asked.push_back({Asked::Save, title, filter, presetName});
    return NextFile();
}

std::optional<QString> ScriptedDialogs::NextFile() {
    if (files.empty() || !files.front()) {
        if (!files.empty()) files.pop_front();
        return std::nullopt;
    }
    QString path = *files.front();
    files.pop_front();
    return path;
}

void ScriptedDialogs::Message(const QString& text) {
    asked.push_back({Asked::Message, text, {}, {}});
    messages.push_back(text);
}

bool ScriptedDialogs::AskYesNo(const QString& text, bool defaultYes) {
    asked.push_back({Asked::YesNo, text, {}, defaultYes ? "Yes" : "No"});
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
}

Dialogs::SaveChoice ScriptedDialogs::AskSaveChanges(const QString& text) {
    asked.push_back({Asked::SaveChanges, text, {}, {}});
    if (saveChoices.empty()) return SaveChoice::Cancel;
    SaveChoice c = saveChoices.front();
    saveChoices.pop_front();
    return c;
}

}  // namespace vd
