#include "platform/FileFind.h"

#include <QDir>

bool FileFind::FindFile(const QString& pattern) {
    Close();
    const qsizetype slash = pattern.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QStringLiteral(".") : pattern.left(slash + 1);
    const QString namePattern = slash < 0 ? pattern : pattern.mid(slash + 1);
    if (namePattern.isEmpty()) return false;

    QDir dir(folder);
    if (!dir.exists()) return false;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (MatchesWildcard(namePattern, entry.fileName())) matches_.push_back(entry);
    }
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
    return current_ ? current_->fileName() : QString();
}

QString FileFind::GetFilePath() const {
    return current_ ? current_->filePath() : QString();
}

bool FileFind::IsDots() const {
    const QString name = GetFileName();
    return current_ && current_->isDir() && (name == u"." || name == u"..");
}

bool FileFind::IsDirectory() const {
    return current_ && current_->isDir();
}

bool FileFind::IsHidden() const {
    return current_ && current_->fileName().startsWith(u'.');
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
