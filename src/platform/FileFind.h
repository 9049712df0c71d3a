// Wildcard file search over one folder, in the manner of the platform's file finder.
// The pattern is a folder part and a name part ("dir/NEWPIC_*.jpg"); '*' matches any run of
// characters and '?' one character, ignoring case. There are no system files here; a name
// starting with "." is hidden. Folder and names are narrow strings (platform/NarrowString.h):
// names that are not UTF-8 are listed and can be used again.
//
//   FileFind finder;
//   bool more = finder.FindFile(pattern);
//   while (more) { more = finder.FindNextFile(); ... finder.GetFileName() ... }
#pragma once

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
    // Whether the path names an entry (a link that leads nowhere too).
    static bool Exists(const QString& path);

private:
    struct Entry {
        QString name;
        bool isDirectory = false;  // a link to a folder counts as one
    };
    QString folder_;  // the pattern's folder part, with its separator
    std::vector<Entry> matches_;
    qsizetype next_ = 0;
    const Entry* current_ = nullptr;
};
