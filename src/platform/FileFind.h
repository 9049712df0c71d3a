// Wildcard file search over one folder, in the manner of the platform's file finder.
// The pattern is a folder part and a name part ("dir/NEWPIC_*.jpg"); '*' matches any run of
// characters and '?' one character, ignoring case. There are no system files here; a name
// starting with "." is hidden.
//
//   FileFind finder;
//   bool more = finder.FindFile(pattern);
//   while (more) { more = finder.FindNextFile(); ... finder.GetFileName() ... }
#pragma once

#include <QFileInfo>
#include <QString>
#include <vector>

class FileFind {
public:
    // Lists the matches; false when there is none or the folder cannot be read.
    bool FindFile(const QString& pattern);
    // Moves to the next match; false when the match moved to is the last one.
    bool FindNextFile();
    void Close();

    QString GetFileName() const;  // name without folder
    QString GetFilePath() const;
    bool IsDots() const;
    bool IsDirectory() const;
    bool IsHidden() const;
    bool IsSystem() const;

    // Case-insensitive match of a name against a wildcard pattern.
    static bool MatchesWildcard(const QString& pattern, const QString& name);

private:
    std::vector<QFileInfo> matches_;
    qsizetype next_ = 0;
    const QFileInfo* current_ = nullptr;
};
