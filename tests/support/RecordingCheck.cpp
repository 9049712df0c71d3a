#include "RecordingCheck.h"

#include "media/graph/FilterGraph.h"  // first: WinTypes.h before GLib

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
    if (finished && check.exitStatus() == QProcess::NormalExit && !check.exitCode())
        return ::testing::AssertionSuccess() << said.toStdString() << " frames";
    return ::testing::AssertionFailure() << (finished ? said : check.errorString()).toStdString();
}

double FileSeconds(const QString& path) {
    QProcess probe;
    probe.start("ffprobe",
                {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path});
    if (!probe.waitForFinished(60000)) return -1;
    bool ok = false;
    const double seconds = QString::fromLatin1(probe.readAllStandardOutput()).toDouble(&ok);
    return ok ? seconds : -1;
}

namespace {

// The pictures the multiplexer took, a frame repeated to keep time once.
struct Pictures {
    std::shared_ptr<std::atomic<long long>> count;
    GstMemory* last = nullptr;
    ~Pictures() {
        if (last != nullptr) gst_memory_unref(last);
    }
};

GstPadProbeReturn CountPicture(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* pictures = static_cast<Pictures*>(data);
    GstMemory* memory = gst_buffer_peek_memory(GST_PAD_PROBE_INFO_BUFFER(info), 0);
    if (memory == pictures->last) return GST_PAD_PROBE_OK;
    if (pictures->last != nullptr) gst_memory_unref(pictures->last);
    pictures->last = gst_memory_ref(memory);
    ++*pictures->count;
    return GST_PAD_PROBE_OK;
}

// An element joined the pipeline: the multiplexer's inputs are counted.
void OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer count) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory == nullptr || g_strcmp0(GST_OBJECT_NAME(factory), "avimux") != 0) return;
    for (GList* pad = element->sinkpads; pad != nullptr; pad = pad->next)
        gst_pad_add_probe(
            GST_PAD(pad->data), GST_PAD_PROBE_TYPE_BUFFER, &CountPicture,
            new Pictures{*static_cast<std::shared_ptr<std::atomic<long long>>*>(count)},
            [](gpointer p) { delete static_cast<Pictures*>(p); });
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
