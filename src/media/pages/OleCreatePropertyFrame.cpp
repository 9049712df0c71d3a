#include "media/pages/OleCreatePropertyFrame.h"

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <cwchar>
#include <vector>

#include "media/pages/CameraControlPage.h"
#include "media/pages/PageTexts.h"
#include "media/pages/PropertyFrame.h"
#include "media/pages/StreamFormatPage.h"

using lumi::devices::ControlGroup;
using lumi::pages::CameraControlPage;
using lumi::pages::CreatePageInstance;
using lumi::pages::PropertyFrame;
using lumi::pages::StreamFormatPage;

namespace {

HRESULT ShowPropertyFrame(HWND owner, UINT x, UINT y, LPCOLESTR caption, ULONG objectCount,
                          IUnknown** objects, ULONG pageCount, const CLSID* pages) {
    if ((objectCount > 0 && !objects) || (pageCount > 0 && !pages)) return E_POINTER;
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread()) return E_UNEXPECTED;
    if (pageCount == 0) return S_OK;

    // The frame's own references: the objects stay alive while it is open, whatever the
    // caller releases meanwhile.
    std::vector<ComPtr<IUnknown>> held;
    std::vector<IUnknown*> bound;
    for (ULONG i = 0; i < objectCount; ++i) {
        if (!objects[i]) continue;
        held.emplace_back(objects[i]);
        bound.push_back(objects[i]);
    }
    if (bound.empty()) return E_INVALIDARG;

    std::vector<ComPtr<IPropertyPage>> created;
    HRESULT failure = S_OK;
    for (ULONG i = 0; i < pageCount; ++i) {
        ComPtr<IPropertyPage> page;
        HRESULT hr = CoCreateInstance(pages[i], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                      page.putVoid());
        if (SUCCEEDED(hr)) hr = page->SetObjects(ULONG(bound.size()), bound.data());
        if (FAILED(hr)) {
            failure = hr;
            continue;
        }
        created.push_back(std::move(page));
    }
    if (created.empty()) return failure;

    QWidget* ownerWidget = qobject_cast<QWidget*>(owner);
    const QString title = caption && *caption
                              ? QString::fromWCharArray(caption, int(std::wcslen(caption)))
                              : lumi::pages::PageText("Properties", "Свойства");
    auto* frame = new PropertyFrame(ownerWidget, title, std::move(created), std::move(held));
    frame->adjustSize();
    const QPoint offset{static_cast<int>(x), static_cast<int>(y)};
    frame->move(ownerWidget ? ownerWidget->mapToGlobal(offset) : offset);
    QPointer<PropertyFrame> guard(frame);
    frame->exec();
    delete guard.data();  // an owner destroyed meanwhile took the frame with it
    return S_OK;
}

}  // namespace

void RegisterPropertyPageClasses() {
    CoRegisterClass(CLSID_VideoStreamConfigPropertyPage, [](REFIID riid, void** object) {
        return CreatePageInstance<StreamFormatPage>(riid, object);
    });
    CoRegisterClass(CLSID_VideoProcAmpPropertyPage, [](REFIID riid, void** object) {
        return CreatePageInstance<CameraControlPage>(riid, object, ControlGroup::Image);
    });
    CoRegisterClass(CLSID_CameraControlPropertyPage, [](REFIID riid, void** object) {
        return CreatePageInstance<CameraControlPage>(riid, object, ControlGroup::Camera);
    });
    CoRegisterPropertyFrame(&ShowPropertyFrame);
}
