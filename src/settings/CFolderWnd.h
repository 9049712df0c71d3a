// The save-settings dialog (template 132): the save folder (chosen with Browse only) and the
// picture and video name prefixes. Before it closes, with OK or with Cancel alike, it rescans
// the folder so that both numbers continue after the highest one already present.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

#include "platform/WinTypes.h"

class QAbstractButton;

class CFolderWnd : public QDialog {
    Q_OBJECT
public:
    // Asks the user for a folder; returns its path, or an empty text when nothing was chosen.
    using FolderBrowser = std::function<QString(QWidget* owner, const QString& title)>;

    explicit CFolderWnd(QWidget* parent = nullptr);
    ~CFolderWnd() override;

    // Runs the dialog modally; IDOK (1) or IDCANCEL (2).
    int DoModal();

    // The folder browser OnBrowse uses; empty = the desktop's folder dialog.
    void SetFolderBrowser(FolderBrowser browser);
    // The desktop's folder dialog, starting at the desktop folder.
    static QString BrowseWithFileDialog(QWidget* owner, const QString& title);

    // Set by the opener before the dialog runs, read back after it closed.
    int m_bAutoNumbering = 0;           // check box 1004 (hidden)
    QString m_strPicturePrefix;         // edit 1007
    std::int32_t m_nPictureNumber = 0;  // edit 1012 (hidden)
    std::int32_t m_nVideoNumber = 0;    // no control
    QString m_strFolder;                // edit 1005 (read-only), ends in the separator
    QString m_strVideoPrefix;           // edit 1013

public Q_SLOTS:
    void OnBrowse();
    void OnOK();
    void OnCancel();

    // Enter / the default button and Esc / the close box end up here.
    void accept() override;
    void reject() override;

protected:
    // Members to controls (saveAndValidate false) or controls to members (true).
    virtual void DoDataExchange(bool saveAndValidate);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    // Relabels by LanguageFlag and rescans; runs once, when the dialog is first shown.
    virtual BOOL OnInitDialog();
    void showEvent(QShowEvent* event) override;

private:
    void Rescan();
    void EndDialog(int result);

    FolderBrowser browser_;
    bool initialised_ = false;
};

// The Set Folder command (32771): loads a CFolderWnd from the shared save settings, runs it
// modally, copies every member back whatever the result (AutoNumbering becomes 1) and writes
// the folder as "path" to the settings file. An empty browser means the desktop's dialog.
void OnSetFolderProtocol(QWidget* owner, const QString& settingsFilePath,
                         const CFolderWnd::FolderBrowser& browser = {});
