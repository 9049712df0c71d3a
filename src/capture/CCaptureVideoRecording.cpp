// Recording to AVI: the capture stream, as the device delivers it (no compressor), goes
// straight into an AVI multiplexer (which repeats a late frame so that the file keeps time)
// and a file writer added to the running graph; the preview and still branches run on
// beside it. The stop completes the file (end of stream first) and rebuilds the plain
// preview.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "capture/CCaptureVideo.h"
#include "capture/DiskSpaceGuard.h"
#include "capture/RecordingLog.h"
#include "media/filters/AviMux.h"
#include "platform/NarrowString.h"
#include "resources/StringTable.h"
#include "settings/SharedState.h"

namespace {

// "Couldn't start the recording!" (even id Russian).
constexpr int kCannotStartRecording = 164;

// Creates the file, failing when the name is taken: a recording never replaces a file.
HRESULT CreateNewFile(const QString& fileName) {
    if (fileName.isEmpty()) return E_INVALIDARG;
    const QByteArray path = ToNarrow(fileName);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return HresultFromErrno(errno, E_ACCESSDENIED);
    ::close(fd);
    return S_OK;
}

}  // namespace

HRESULT CCaptureVideo::StartRecording(QString fileName) {
    if (!m_pMediaControl || !m_pCaptureBuilder || !m_pCaptureFilter) return E_POINTER;

    // The file first, while the preview runs on: a name that cannot be created leaves the
    // graph as it is.
    HRESULT hr = CreateNewFile(fileName);
    if (FAILED(hr)) {
        ShowMessage(kCannotStartRecording);
        return hr;
    }

    m_pMediaControl->Stop();
    const std::wstring wide = ToWide(fileName);
    hr = m_pCaptureBuilder->SetOutputFileName(&MEDIASUBTYPE_Avi, wide.c_str(), &m_pMux, nullptr);
    if (m_pMux != nullptr) {
        hr = m_pCaptureBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video,
                                             m_pCaptureFilter.get(), nullptr, m_pMux);
        if (FAILED(hr)) {
            // No stream reaches the multiplexer: take it and its writer out again.
            RemoveDownstream(m_pMux);
            m_pGraph->RemoveFilter(m_pMux);
        } else if (auto* mux = dynamic_cast<AviMux*>(m_pMux); mux && !mux->pins().empty()) {
            // The recording ends before its disk is full, the file complete; its end is logged.
            DiskSpaceGuard::Attach(mux->muxInput(), ToNarrow(fileName).toStdString());
            RecordingLog::Attach(mux->pins().front()->pad(), mux->muxInput(),
                                 QString::fromUtf8(ToNarrow(fileName)));
        }
        m_pMux->Release();
        m_pMux = nullptr;
    } else if (SUCCEEDED(hr)) {
        hr = E_FAIL;
    }

    const HRESULT run = m_pMediaControl->Run();
    if (SUCCEEDED(hr) && FAILED(run)) {
        // The graph with the recording branch does not run: back to plain preview.
        m_pMediaControl->Stop();
        ResetGraph();
        ConnectAndRun();
        hr = run;
    }
    if (FAILED(hr)) {
        ::unlink(ToNarrow(fileName).constData());  // the empty file created above
        ShowMessage(kCannotStartRecording);
        return hr;
    }
    return hr;
}

HRESULT CCaptureVideo::StopRecording() {
    if (!m_pMediaControl || !m_pCaptureBuilder || !m_pCaptureFilter) return E_POINTER;
    // The graph writes the file: Stop lets the multiplexer finish it first.
    m_pMediaControl->Stop();
    ResetGraph();
    return ConnectAndRun();
}
