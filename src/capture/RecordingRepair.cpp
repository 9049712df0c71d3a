#include "capture/RecordingRepair.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QRegularExpression>

#include "media/avi/AviRepair.h"
#include "platform/FileFind.h"
#include "platform/MessageBox.h"
#include "platform/NarrowString.h"
#include "resources/StringTable.h"
#include "settings/SharedState.h"

namespace {

// "Interrupted recordings were repaired:" (even id Russian), then one name a line.
constexpr int kRecordingsRepaired = 174;

}  // namespace

RecordingRepair::RecordingRepair(const QString& folder, const QString& prefix, QObject* parent)
    : QObject(parent), thread_([this, folder, prefix] { Run(folder, prefix); }) {}

RecordingRepair::~RecordingRepair() {
    cancel_ = true;
    thread_.join();
}

void RecordingRepair::Run(const QString& folder, const QString& prefix) {
    // Behind the preview and the user's commands.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    const QRegularExpression name(
        QStringLiteral("^%1_[0-9]+\\.avi$").arg(QRegularExpression::escape(prefix)),
        QRegularExpression::CaseInsensitiveOption);
    QStringList repaired;
    FileFind finder;
    for (bool more = finder.FindFile(folder + prefix + QStringLiteral("_*.avi"));
         more && !cancel_;) {
        more = finder.FindNextFile();
        if (!finder.IsDirectory() && name.match(finder.GetFileName()).hasMatch() &&
            RepairInterruptedAvi(ToNarrow(finder.GetFilePath()).toStdString(), cancel_) ==
                AviRepairResult::Repaired)
            repaired << finder.GetFileName();
    }
    QMetaObject::invokeMethod(
        this, [this, repaired] { Report(repaired); }, Qt::QueuedConnection);
}

void RecordingRepair::Report(const QStringList& repaired) {
    done_ = true;
    if (repaired.isEmpty()) return;
    AfxMessageBox(LoadStringForLanguage(kRecordingsRepaired, LanguageFlag) + QLatin1Char('\n') +
                      repaired.join(QLatin1Char('\n')),
                  MB_ICONINFORMATION);
}
