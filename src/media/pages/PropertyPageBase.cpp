#include "media/pages/PropertyPageBase.h"

#include <QLayout>
#include <QVBoxLayout>

namespace lumi::pages {

PropertyPageBase::~PropertyPageBase() {
    delete widget_.data();
}

HRESULT PropertyPageBase::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPropertyPage)
        return ComHandOut<IPropertyPage>(this, object);
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT PropertyPageBase::SetPageSite(IPropertyPageSite* site) {
    site_ = site;
    return S_OK;
}

HRESULT PropertyPageBase::Activate(HWND parent, const RECT*, BOOL) {
    auto* container = qobject_cast<QWidget*>(parent);
    if (!container) return E_INVALIDARG;
    if (!bound_) return E_UNEXPECTED;
    if (widget_) return S_OK;
    widget_ = new QWidget(container);
    buildControls(widget_);
    if (!container->layout()) new QVBoxLayout(container);
    container->layout()->addWidget(widget_);
    widget_->show();
    return S_OK;
}

HRESULT PropertyPageBase::Deactivate() {
    discardIfDirty();
    delete widget_.data();
    return S_OK;
}

HRESULT PropertyPageBase::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;
    const std::wstring text = title().toStdWString();
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = CoTaskMemDupString(text.c_str());
    info->size = SIZE{0, 0};
    if (widget_) {
        const QSize hint = widget_->sizeHint();
        info->size = SIZE{hint.width(), hint.height()};
    }
    return info->pszTitle ? S_OK : E_OUTOFMEMORY;
}

HRESULT PropertyPageBase::SetObjects(ULONG count, IUnknown** objects) {
    if (count == 0) {
        // The frame lets go of the objects: nothing may act on them any more.
        discardIfDirty();
        delete widget_.data();
        if (bound_) unbind();
        bound_ = false;
        return S_OK;
    }
    if (!objects) return E_POINTER;
    if (bound_) {
        discardIfDirty();
        delete widget_.data();
        unbind();
        bound_ = false;
    }
    const HRESULT hr = bind(count, objects);
    bound_ = SUCCEEDED(hr);
    return hr;
}

HRESULT PropertyPageBase::IsPageDirty() {
    return dirty_ ? S_OK : S_FALSE;
}

HRESULT PropertyPageBase::Apply() {
    if (!bound_) return E_UNEXPECTED;
    if (!dirty_) return S_OK;
    const HRESULT hr = applyChanges();
    if (SUCCEEDED(hr)) setDirty(false);
    return hr;
}

void PropertyPageBase::setDirty(bool dirty) {
    if (dirty_ == dirty) return;
    dirty_ = dirty;
    if (site_) site_->OnStatusChange(dirty ? PROPPAGESTATUS_DIRTY : PROPPAGESTATUS_CLEAN);
}

void PropertyPageBase::discardIfDirty() {
    if (!dirty_ || !bound_) return;
    discardChanges();
    setDirty(false);
}

}  // namespace lumi::pages
