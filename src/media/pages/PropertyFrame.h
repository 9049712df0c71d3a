// The property frame's dialog: one tab per page, OK, Cancel and Apply.
//   Apply: enabled while a page is dirty; applies the dirty pages.
//   OK: applies the dirty pages and closes; a page whose Apply fails keeps the frame open
//       on that page.
//   Cancel, Esc, the close box: closes without Apply, so the pages take back what was not
//       applied.
// On closing, every page is deactivated and let go of its objects (SetObjects(0, nullptr))
// before the frame returns; the frame holds its own references to the objects until then.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "media/com/ComPtr.h"
#include "media/com/PropertyPage.h"

class QDialogButtonBox;
class QPushButton;
class QTabWidget;

namespace lumi::pages {

class PropertyFrameSite;

class PropertyFrame : public QDialog {
    Q_OBJECT
public:
    // pages: bound to objects already (SetObjects); objects: what the frame keeps alive.
    PropertyFrame(QWidget* owner, const QString& caption, std::vector<ComPtr<IPropertyPage>> pages,
                  std::vector<ComPtr<IUnknown>> objects);
    ~PropertyFrame() override;

    int pageCount() const { return int(pages_.size()); }
    IPropertyPage* page(int index) const;
    QString pageTitle(int index) const;
    QTabWidget* tabs() const { return tabs_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* applyButton() const { return apply_; }

    // The buttons' actions. apply() returns false when a page refused (it is then shown).
    void ok();
    void cancel();
    bool apply();

    // Called with every frame once its modal loop runs (tests and tools drive it from there).
    static void setShownHook(std::function<void(PropertyFrame&)> hook);

    // The site's report: a page changed its dirty state.
    void pageStatusChanged();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void closePages();

    struct Page {
        ComPtr<IPropertyPage> page;
        QString title;
        QWidget* container = nullptr;
    };
    std::vector<Page> pages_;
    std::vector<ComPtr<IUnknown>> objects_;
    PropertyFrameSite* site_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* apply_ = nullptr;
    bool closed_ = false;
    bool hooked_ = false;
};

}  // namespace lumi::pages
