#include "RecordingCheck.h"

#include "media/FilterGraph.h"  // first: WinTypes.h before GLib

#include <QProcess>

namespace capturetest {

::testing::AssertionResult RecordingIsWhole(const QString& path, long long delivered) {
    QStringList args{path};
    if (delivered >= 0) args << QString::number(delivered);
    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(QStringLiteral(LUMI_CHECK_RECORDING), args);
    const bool finished = check.waitForFinished(120000);
    const QString said = QString::fromLocal8Bit(check.readAll()).trimmed();
    if (finished && check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0)
        return ::testing::AssertionSuccess() << said.toStdString() << " frames";
    return ::testing::AssertionFailure() << (finished ? said : check.errorString()).toStdString();
}

namespace {

using Counter = std::shared_ptr<std::atomic<long long>>;

GstPadProbeReturn CountFrame(GstPad*, GstPadProbeInfo*, gpointer count) {
    ++**static_cast<Counter*>(count);
    return GST_PAD_PROBE_OK;
}

// An element joined the pipeline (also inside a filter's bin): a multiplexer's inputs are
// counted for as long as it lives.
void OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer count) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory == nullptr || g_strcmp0(GST_OBJECT_NAME(factory), "avimux") != 0) return;
    for (GList* pad = element->sinkpads; pad != nullptr; pad = pad->next)
        gst_pad_add_probe(GST_PAD(pad->data), GST_PAD_PROBE_TYPE_BUFFER, &CountFrame,
                          new Counter(*static_cast<Counter*>(count)),
                          [](gpointer p) { delete static_cast<Counter*>(p); });
}

}  // namespace

RecordedFrames::RecordedFrames(IGraphBuilder* graph) {
    auto* filterGraph = dynamic_cast<FilterGraph*>(graph);
    if (filterGraph == nullptr) return;
    pipeline_ = GstHandle<GstElement>::share(filterGraph->pipeline());
    handler_ = g_signal_connect(pipeline_.get(), "deep-element-added", G_CALLBACK(&OnElementAdded),
                                &count_);
}

RecordedFrames::~RecordedFrames() {
    if (pipeline_) g_signal_handler_disconnect(pipeline_.get(), handler_);
}

}  // namespace capturetest
