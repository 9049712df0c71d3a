#include "frames/PictureWriter.h"

#include "frames/CSampleGrabberCB.h"
#include "frames/SaveSnapshot.h"
#include "frames/SnapshotHook.h"

namespace {

constexpr std::size_t kMaxWaiting = 2;

// The installed writer; held while a request is queued, so that it is not destroyed meanwhile.
std::mutex installedMutex;
PictureWriter* installed = nullptr;

}  // namespace

PictureWriter::PictureWriter() : thread_([this] { Run(); }) {
    std::lock_guard lock(installedMutex);
    installed = this;
    SetSaveSnapshot(&PictureWriter::Request);
}

PictureWriter::~PictureWriter() {
    {
        std::lock_guard lock(installedMutex);
        if (installed == this) {
            installed = nullptr;
            SetSaveSnapshot(nullptr);
        }
    }
    {
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    changed_.notify_all();
    thread_.join();
}

void PictureWriter::Request(CSampleGrabberCB& callback, LONG length, BYTE* frame) {
    // The frame is the latest one, which only the frame sink (waiting for this call)
    // replaces: taken again, it is held for as long as the picture waits.
    HeldFrame held = TakeFramePixels();
    if (held.bytes.get() != frame || held.size != length) return;
    std::lock_guard installedLock(installedMutex);
    PictureWriter* writer = installed;
    if (writer == nullptr) return;
    std::unique_lock lock(writer->mutex_);
    writer->changed_.wait(lock, [writer] { return writer->waiting_.size() < kMaxWaiting; });
    writer->waiting_.push_back(Picture{std::move(held), callback.Width.load(),
                                       callback.Height.load(), WORD(callback.BitCount.load())});
    writer->changed_.notify_all();
}

bool PictureWriter::Idle() const {
    std::lock_guard lock(mutex_);
    return waiting_.empty() && !writing_;
}

void PictureWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !running_ || !waiting_.empty(); });
        if (waiting_.empty()) return;  // stopped, nothing left to write
        Picture picture = std::move(waiting_.front());
        waiting_.pop_front();
        writing_ = true;
        changed_.notify_all();
        lock.unlock();
        SaveSnapshot(picture.width, picture.height, picture.bitCount, picture.frame.size,
                     picture.frame.bytes.get());
        picture.frame = HeldFrame{};
        lock.lock();
        writing_ = false;
    }
}
