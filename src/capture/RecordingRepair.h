// At start-up the recordings in the save folder that were interrupted (the program killed,
// the system crashed or lost power) are repaired on a thread of their own, so that the
// preview's first frame does not wait; afterwards the user is told once which files were
// repaired. Destroying the object stops a repair under way (that file stays as it was) and
// waits for the thread.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <thread>

class RecordingRepair final : public QObject {
    Q_OBJECT
public:
    // Looks at folder + prefix + "_" + number + ".avi" (case-insensitive), as saved by the
    // recorder; folder ends in the separator unless empty.
    RecordingRepair(const QString& folder, const QString& prefix, QObject* parent = nullptr);
    ~RecordingRepair() override;

    RecordingRepair(const RecordingRepair&) = delete;
    RecordingRepair& operator=(const RecordingRepair&) = delete;

    // The scan is over and its message, if any, was shown.
    bool Done() const { return done_; }

private:
    void Run(const QString& folder, const QString& prefix);
    // On the UI thread: the message naming the repaired files.
    void Report(const QStringList& repaired);

    std::atomic<bool> cancel_{false};
    bool done_ = false;
    std::thread thread_;
};
