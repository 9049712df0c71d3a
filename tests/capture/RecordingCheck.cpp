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

using Counter = std::atomic<long long>;

GstPadProbeReturn CountFrame(GstPad*, GstPadProbeInfo*, gpointer count) {
    ++*static_cast<Counter*>(count);
    return GST_PAD_PROBE_OK;
}

// A filter's bin joined the pipeline: when it holds a multiplexer, its inputs are counted.
void OnElementAdded(GstBin*, GstElement* added, gpointer data) {
    if (!GST_IS_BIN(added)) return;
    GstIterator* elements = gst_bin_iterate_elements(GST_BIN(added));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* factory = gst_element_get_factory(element);
        if (factory && g_strcmp0(GST_OBJECT_NAME(factory), "avimux") == 0) {
            auto* count =
                new std::shared_ptr<Counter>(*static_cast<std::shared_ptr<Counter>*>(data));
            for (GList* pad = element->sinkpads; pad; pad = pad->next)
                gst_pad_add_probe(GST_PAD(pad->data), GST_PAD_PROBE_TYPE_BUFFER, &CountFrame,
                                  count->get(), nullptr);
            // The counter lives as long as the multiplexer.
            g_object_set_data_full(G_OBJECT(element), "recorded-frames", count, [](gpointer p) {
                delete static_cast<std::shared_ptr<Counter>*>(p);
            });
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(elements);
}

}  // namespace

RecordedFrames::RecordedFrames(IGraphBuilder* graph) {
    auto* filterGraph = dynamic_cast<FilterGraph*>(graph);
    if (filterGraph == nullptr) return;
    pipeline_ = GstHandle<GstElement>::share(filterGraph->pipeline());
    handler_ =
        g_signal_connect(pipeline_.get(), "element-added", G_CALLBACK(&OnElementAdded), &count_);
}

RecordedFrames::~RecordedFrames() {
    if (pipeline_) g_signal_handler_disconnect(pipeline_.get(), handler_);
}

}  // namespace capturetest
