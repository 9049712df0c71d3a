#include "platform/FileFind.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/NarrowString.h"

bool FileFind::FindFile(const QString& pattern) {
    Close();
    const qsizetype slash = pattern.lastIndexOf(u'/');
    folder_ = slash < 0 ? QString() : pattern.left(slash + 1);
    const QString namePattern = slash < 0 ? pattern : pattern.mid(slash + 1);
    if (namePattern.isEmpty()) return false;

    // The folder's own bytes: a folder or names that are not UTF-8 are read as they are.
    const QByteArray folder = ToNarrow(folder_);
    DIR* dir = ::opendir(folder.isEmpty() ? "." : folder.constData());
    if (dir == nullptr) return false;
    while (const dirent* entry = ::readdir(dir)) {
        Entry match{FromNarrow(entry->d_name)};
        if (!MatchesWildcard(namePattern, match.name)) continue;
        struct stat info {};
        const QByteArray path = folder + entry->d_name;
        match.isDirectory = ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
        matches_.push_back(std::move(match));
    }
    ::closedir(dir);
    std::sort(matches_.begin(), matches_.end(),
              [](const Entry& a, const Entry& b) { return a.name < b.name; });
    return !matches_.empty();
}

bool FileFind::FindNextFile() {
    if (next_ >= static_cast<qsizetype>(matches_.size())) {
        current_ = nullptr;
        return false;
    }
    current_ = &matches_[static_cast<size_t>(next_++)];
    return next_ < static_cast<qsizetype>(matches_.size());
}

void FileFind::Close() {
    matches_.clear();
    next_ = 0;
    current_ = nullptr;
}

QString FileFind::GetFileName() const {
    return current_ ? current_->name : QString();
}

QString FileFind::GetFilePath() const {
    return current_ ? folder_ + current_->name : QString();
}

bool FileFind::IsDots() const {
    return current_ && current_->isDirectory && (current_->name == u"." || current_->name == u"..");
}

bool FileFind::IsDirectory() const {
    return current_ && current_->isDirectory;
}

bool FileFind::IsHidden() const {
    return current_ && current_->name.startsWith(u'.');
}

bool FileFind::IsSystem() const {
    return false;
}

bool FileFind::MatchesWildcard(const QString& pattern, const QString& name) {
    // Iterative match with back-tracking to the last '*'.
    qsizetype p = 0, n = 0, star = -1, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == u'?' ||
             (pattern[p] != u'*' && pattern[p].toCaseFolded() == name[n].toCaseFolded()))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            star = p++;
            mark = n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

bool FileFind::Exists(const QString& path) {
    struct stat info {};
    return !path.isEmpty() && ::lstat(ToNarrow(path).constData(), &info) == 0;
}
