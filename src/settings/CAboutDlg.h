// The About dialog (template 100): product, version, the maker's lines and two links, in the
// language of LanguageFlag. It has no buttons: Esc or the close box end it.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "platform/WinTypes.h"

class LinkControl;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    // The text of a string id; empty = the program's string table.
    using StringSource = std::function<QString(int id)>;

    explicit CAboutDlg(QWidget* parent = nullptr, StringSource strings = {});
    ~CAboutDlg() override;

    // Runs the dialog modally; its result means nothing.
    int DoModal();

    LinkControl* m_linkMail = nullptr;  // control 1023
    LinkControl* m_linkWeb = nullptr;   // control 1024

protected:
    // Binds the two link members to their controls.
    virtual void DoDataExchange();
    // Sets every text by LanguageFlag; runs once, when the dialog is first shown.
    virtual BOOL OnInitDialog();
    void showEvent(QShowEvent* event) override;

private:
    QString Text(int russianId) const;

    StringSource strings_;
    bool initialised_ = false;
};

// The About command (32785) and the About entry (16) of the main window's context menu:
// runs a CAboutDlg modally over the owner.
void ShowAboutDialog(QWidget* owner);
