#include "media/pages/PropertyFrame.h"

#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <string>

#include "media/pages/PageTexts.h"

namespace lumi::pages {

// The frame's side of the pages: their dirty reports reach the frame while it exists.
class PropertyFrameSite final : public IPropertyPageSite {
public:
    explicit PropertyFrameSite(PropertyFrame* frame) : frame_(frame) {}

    HRESULT QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IPropertyPageSite)
            return ComHandOut<IPropertyPageSite>(this, object);
        *object = nullptr;
        return E_NOINTERFACE;
    }
    LUMI_IMPLEMENT_REFCOUNT

    HRESULT OnStatusChange(DWORD) override {
        if (frame_) frame_->pageStatusChanged();
        return S_OK;
    }
    void detach() { frame_ = nullptr; }

private:
    QPointer<PropertyFrame> frame_;
    RefCount refs_;
};

namespace {

std::function<void(PropertyFrame&)>& ShownHook() {
    static std::function<void(PropertyFrame&)> hook;
    return hook;
}

QString TitleOf(IPropertyPage* page) {
    PROPPAGEINFO info{};
    QString title;
    if (SUCCEEDED(page->GetPageInfo(&info)) && info.pszTitle)
        title = QString::fromStdWString(std::wstring(info.pszTitle));
    CoTaskMemFree(info.pszTitle);
    return title;
}

}  // namespace

PropertyFrame::PropertyFrame(QWidget* owner, const QString& caption,
                             std::vector<ComPtr<IPropertyPage>> pages,
                             std::vector<ComPtr<IUnknown>> objects)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowCloseButtonHint),
      objects_(std::move(objects)),
      site_(new PropertyFrameSite(this)) {
    setWindowTitle(caption);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // as big as its largest page, no more
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_);
    auto* box = new QDialogButtonBox(this);
    ok_ = box->addButton(PageText("OK", "ОК"), QDialogButtonBox::AcceptRole);
    cancel_ = box->addButton(PageText("Cancel", "Отмена"), QDialogButtonBox::RejectRole);
    apply_ = box->addButton(PageText("&Apply", "&Применить"), QDialogButtonBox::ApplyRole);
    ok_->setDefault(true);
    apply_->setEnabled(false);
    layout->addWidget(box);
    connect(ok_, &QPushButton::clicked, this, [this] { ok(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { cancel(); });
    connect(apply_, &QPushButton::clicked, this, [this] { apply(); });

    for (ComPtr<IPropertyPage>& page : pages) {
        if (!page) continue;
        auto* container = new QWidget;
        page->SetPageSite(site_);
        if (FAILED(page->Activate(container, nullptr, TRUE))) {
            page->SetPageSite(nullptr);
            page->SetObjects(0, nullptr);
            delete container;
            continue;
        }
        const QString title = TitleOf(page.get());
        tabs_->addTab(container, title);
        pages_.push_back(Page{std::move(page), title, container});
    }
    pageStatusChanged();
}

PropertyFrame::~PropertyFrame() {
    closePages();
    site_->detach();
    site_->Release();
}

IPropertyPage* PropertyFrame::page(int index) const {
    return index >= 0 && index < pageCount() ? pages_[std::size_t(index)].page.get() : nullptr;
}

QString PropertyFrame::pageTitle(int index) const {
    return index >= 0 && index < pageCount() ? pages_[std::size_t(index)].title : QString();
}

void PropertyFrame::setShownHook(std::function<void(PropertyFrame&)> hook) {
    ShownHook() = std::move(hook);
}

void PropertyFrame::pageStatusChanged() {
    bool dirty = false;
    for (const Page& p : pages_) dirty = dirty || p.page->IsPageDirty() == S_OK;
    apply_->setEnabled(dirty && !closed_);
}

bool PropertyFrame::apply() {
    if (closed_) return false;
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        IPropertyPage* p = pages_[i].page.get();
        if (p->IsPageDirty() != S_OK) continue;
        if (FAILED(p->Apply())) {
            tabs_->setCurrentIndex(int(i));
            pageStatusChanged();
            return false;
        }
    }
    pageStatusChanged();
    return true;
}

void PropertyFrame::ok() {
    if (apply()) accept();
}

void PropertyFrame::cancel() {
    reject();
}

void PropertyFrame::done(int result) {
    closePages();
    QDialog::done(result);
}

void PropertyFrame::closePages() {
    if (closed_) return;
    closed_ = true;
    // Pages that were not applied take their changes back on deactivation; then they and
    // the frame let go of the objects.
    for (Page& p : pages_) {
        p.page->Deactivate();
        p.page->SetObjects(0, nullptr);
        p.page->SetPageSite(nullptr);
    }
    objects_.clear();
    apply_->setEnabled(false);
}

void PropertyFrame::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (hooked_) return;
    hooked_ = true;
    QPointer<PropertyFrame> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self && ShownHook()) ShownHook()(*self);
    });
}

}  // namespace lumi::pages
