// The capture filter's own property pages, in the property frame of the media layer:
// the capture output's stream format (Resolution), after which the preview is rebuilt for
// the chosen format, and the filter's settings pages (Filter), while the preview runs on.
//
// The frame is modal and runs its own event loop. The engine holds its own references to
// the filter and the objects shown for as long as the frame is open, so a page never acts
// on a released object; the caller defers device notices until the operation has returned
// (CameraSession::EngineOperation), so the graph does not change under the frame.
#include <cstdlib>

#include "capture/CCaptureVideo.h"
#include "media/com/PropertyPage.h"

void CCaptureVideo::ShowResolutionDialog(HWND owner) {
    if (!m_pCaptureFilter) return;
    // Kept for the whole operation, whatever happens to the fields meanwhile.
    const ComPtr<IBaseFilter> filter = m_pCaptureFilter;
    const ComPtr<IMediaControl> control = m_pMediaControl;
    if (control) control->Stop();
    ResetGraph();

    // The capture output's stream configuration; the output stays unconnected while the
    // pages are open.
    ComPtr<IAMStreamConfig> config;
    if (m_pCaptureBuilder) {
        m_pCaptureBuilder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, filter.get(),
                                         IID_IAMStreamConfig, config.putVoid());
    }
    ComPtr<ISpecifyPropertyPages> specify;
    if (config && config.as(IID_ISpecifyPropertyPages, specify) == S_OK && specify) {
        CAUUID pages{};
        if (SUCCEEDED(specify->GetPages(&pages))) {
            IUnknown* object = config.get();
            OleCreatePropertyFrame(owner, 30, 30, nullptr, 1, &object, pages.cElems, pages.pElems,
                                   0, 0, nullptr);
        }
        // The format the output has now, the one applied in the pages if any.
        AM_MEDIA_TYPE* mt = nullptr;
        if (SUCCEEDED(config->GetFormat(&mt)) && mt != nullptr) {
            if (mt->pbFormat != nullptr && mt->cbFormat >= sizeof(VIDEOINFOHEADER)) {
                const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(mt->pbFormat);
                m_nWidth = info->bmiHeader.biWidth;
                m_nHeight = std::abs(info->bmiHeader.biHeight);
            }
            FreeMediaType(*mt);
            CoTaskMemFree(mt);
        }
        CoTaskMemFree(pages.pElems);
    }
    specify = nullptr;
    config = nullptr;

    // Reconnect and run in full; its failures show their messages. A graph released
    // meanwhile is not rebuilt here (ConnectAndRun finds nothing to connect).
    if (m_pCaptureFilter == filter) ConnectAndRun();
}

void CCaptureVideo::ShowFilterDialog(HWND owner) {
    if (!m_pCaptureFilter) return;
    const ComPtr<IBaseFilter> filter = m_pCaptureFilter;
    ComPtr<ISpecifyPropertyPages> specify;
    if (SUCCEEDED(filter.as(IID_ISpecifyPropertyPages, specify)) && specify) {
        // The caption is the filter's current name in the graph.
        FILTER_INFO info{};
        filter->QueryFilterInfo(&info);
        ComPtr<IUnknown> identity;
        filter.as(IID_IUnknown, identity);
        CAUUID pages{};
        if (SUCCEEDED(specify->GetPages(&pages)) && identity) {
            IUnknown* object = identity.get();
            OleCreatePropertyFrame(owner, 0, 0, info.achName, 1, &object, pages.cElems,
                                   pages.pElems, 0, 0, nullptr);
        }
        CoTaskMemFree(pages.pElems);
        identity = nullptr;
        if (info.pGraph != nullptr) info.pGraph->Release();
        specify = nullptr;
    }
    // Always: a graph stopped by an earlier failure runs again; a running one is unchanged.
    if (m_pMediaControl) m_pMediaControl->Run();
}
