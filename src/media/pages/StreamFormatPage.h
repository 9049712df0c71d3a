// The stream format page of a capture output (IAMStreamConfig): colour space / compression,
// output size and frame rate among what the device offers, the current format selected.
// Apply (or OK) hands the choice to IAMStreamConfig::SetFormat, so it becomes the output's
// format; a refused choice stays on the page with the device's answer shown under it.
//
// Widgets carry object names for tests and tools: "format", "size", "rate", "status".
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPointer>

#include "media/pages/PropertyPageBase.h"
#include "media/pages/StreamFormatModel.h"

namespace lumi::pages {

class StreamFormatPage final : public PropertyPageBase {
public:
    struct Choice {
        GUID subtype{};
        int width = 0;
        int height = 0;
        REFERENCE_TIME interval = 0;
        friend bool operator==(const Choice&, const Choice&) = default;
    };

    const StreamFormatModel& model() const { return model_; }
    // The choice on the page and the format last applied (or found).
    const Choice& choice() const { return choice_; }
    const Choice& applied() const { return applied_; }
    // Chooses a format as the user would (the nearest offered rate; interval 0: the
    // highest). False, and nothing changes, for a subtype and size the device does not offer.
    bool choose(const GUID& subtype, int width, int height, REFERENCE_TIME interval = 0);

protected:
    HRESULT bind(ULONG count, IUnknown** objects) override;
    void unbind() override;
    void buildControls(QWidget* page) override;
    HRESULT applyChanges() override;
    QString title() const override;

private:
    // The format the output has now, as one of the model's choices.
    Choice currentFormat() const;
    // Fills the lists from choice_.
    void showChoice();
    void onFormatPicked(int index);
    void onSizePicked(int index);
    void onRatePicked(int index);
    void choiceChanged();

    ComPtr<IAMStreamConfig> config_;
    StreamFormatModel model_;
    Choice choice_;
    Choice applied_;
    // The page's widgets, gone once it is deactivated.
    QPointer<QComboBox> formats_;
    QPointer<QComboBox> sizes_;
    QPointer<QComboBox> rates_;
    QPointer<QLabel> status_;
};

}  // namespace lumi::pages
