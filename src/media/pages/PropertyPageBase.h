// The COM side shared by the capture source's pages: reference count, page site, the dirty
// state reported to the frame, and the page's widget, made by Activate inside the frame's
// container and removed by Deactivate. A page that was not applied takes its changes back
// when it is deactivated or unbound.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "media/com/ComPtr.h"
#include "media/com/PropertyPage.h"

namespace lumi::pages {

class PropertyPageBase : public IPropertyPage {
public:
    PropertyPageBase() = default;
    ~PropertyPageBase() override;
    PropertyPageBase(const PropertyPageBase&) = delete;
    PropertyPageBase& operator=(const PropertyPageBase&) = delete;

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** object) override;
    LUMI_IMPLEMENT_REFCOUNT

    // IPropertyPage
    HRESULT SetPageSite(IPropertyPageSite* site) override;
    HRESULT Activate(HWND parent, const RECT* rect, BOOL modal) override;
    HRESULT Deactivate() override;
    HRESULT GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT SetObjects(ULONG count, IUnknown** objects) override;
    HRESULT IsPageDirty() override;
    HRESULT Apply() override;

    // The page's widget while it is active (null otherwise).
    QWidget* widget() const { return widget_; }
    bool isBound() const { return bound_; }

protected:
    // Takes the interface the page needs from the objects; E_NOINTERFACE without it.
    virtual HRESULT bind(ULONG count, IUnknown** objects) = 0;
    // Drops every reference to the objects.
    virtual void unbind() = 0;
    // Fills the page's widget (its layout included).
    virtual void buildControls(QWidget* page) = 0;
    // Makes the choices the objects' state.
    virtual HRESULT applyChanges() = 0;
    // Takes back what the page changed on the objects since the last Apply.
    virtual void discardChanges() {}
    virtual QString title() const = 0;

    // Marks the page dirty and tells the frame.
    void setDirty(bool dirty);
    bool dirty() const { return dirty_; }

    RefCount refs_;

private:
    void discardIfDirty();

    ComPtr<IPropertyPageSite> site_;
    QPointer<QWidget> widget_;
    bool bound_ = false;
    bool dirty_ = false;
};

// The class factory of a page type (the shape CoRegisterClass takes).
template <typename T, typename... Args>
HRESULT CreatePageInstance(REFIID riid, void** object, Args... args) {
    if (!object) return E_POINTER;
    auto* page = new T(args...);
    const HRESULT hr = page->QueryInterface(riid, object);
    page->Release();
    return hr;
}

}  // namespace lumi::pages
