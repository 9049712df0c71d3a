#include "media/pages/StreamFormatPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cstdlib>
#include <cstring>

#include "media/graph/MediaType.h"
#include "media/pages/PageTexts.h"

namespace lumi::pages {

HRESULT StreamFormatPage::bind(ULONG count, IUnknown** objects) {
    for (ULONG i = 0; i < count && !config_; ++i) {
        if (objects[i]) objects[i]->QueryInterface(IID_IAMStreamConfig, config_.putVoid());
    }
    if (!config_) return E_NOINTERFACE;
    std::vector<StreamCapability> capabilities;
    const HRESULT hr = StreamFormatModel::read(config_.get(), &capabilities);
    if (FAILED(hr)) {
        config_.reset();
        return hr;
    }
    model_ = StreamFormatModel(capabilities);
    applied_ = currentFormat();
    choice_ = applied_;
    return S_OK;
}

void StreamFormatPage::unbind() {
    config_.reset();
    model_ = StreamFormatModel();
    choice_ = applied_ = Choice{};
}

QString StreamFormatPage::title() const {
    return PageText("Stream Format", "Формат потока");
}

StreamFormatPage::Choice StreamFormatPage::currentFormat() const {
    Choice current;
    AM_MEDIA_TYPE* mt = nullptr;
    if (SUCCEEDED(config_->GetFormat(&mt)) && mt) {
        if (mt->formattype == FORMAT_VideoInfo && mt->pbFormat &&
            mt->cbFormat >= sizeof(VIDEOINFOHEADER)) {
            VIDEOINFOHEADER vih;
            std::memcpy(&vih, mt->pbFormat, sizeof vih);
            const int index =
                model_.find(mt->subtype, vih.bmiHeader.biWidth, std::abs(vih.bmiHeader.biHeight));
            if (index >= 0) {
                const FormatEntry& e = model_.entries()[std::size_t(index)];
                current = Choice{e.subtype, e.width, e.height,
                                 StreamFormatModel::nearestInterval(e, vih.AvgTimePerFrame)};
            }
        }
        DeleteMediaType(mt);
    }
    if (current.width == 0 && !model_.empty()) {
        // A format the list does not hold: show the device's first one.
        const FormatEntry& e = model_.entries().front();
        current = Choice{e.subtype, e.width, e.height, StreamFormatModel::nearestInterval(e, 0)};
    }
    return current;
}

void StreamFormatPage::buildControls(QWidget* page) {
    auto* outer = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    outer->addLayout(form);
    formats_ = new QComboBox(page);
    formats_->setObjectName(QStringLiteral("format"));
    sizes_ = new QComboBox(page);
    sizes_->setObjectName(QStringLiteral("size"));
    rates_ = new QComboBox(page);
    rates_->setObjectName(QStringLiteral("rate"));
    form->addRow(PageText("Color Space / Compression:", "Цветовое пространство / сжатие:"),
                 formats_);
    form->addRow(PageText("Output Size:", "Размер кадра:"), sizes_);
    form->addRow(PageText("Frame Rate:", "Частота кадров:"), rates_);
    status_ = new QLabel(page);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    outer->addWidget(status_);
    if (model_.empty())
        status_->setText(
            PageText("The device offers no formats.", "Устройство не предлагает форматов."));
    outer->addStretch(1);
    QObject::connect(formats_, &QComboBox::activated, page,
                     [this](int index) { onFormatPicked(index); });
    QObject::connect(sizes_, &QComboBox::activated, page,
                     [this](int index) { onSizePicked(index); });
    QObject::connect(rates_, &QComboBox::activated, page,
                     [this](int index) { onRatePicked(index); });
    showChoice();
}

void StreamFormatPage::showChoice() {
    if (!formats_ || !sizes_ || !rates_) return;
    QSignalBlocker a(formats_), b(sizes_), c(rates_);
    formats_->clear();
    sizes_->clear();
    rates_->clear();
    const std::vector<GUID> subtypes = model_.subtypes();
    for (std::size_t i = 0; i < subtypes.size(); ++i) {
        formats_->addItem(StreamFormatModel::subtypeName(subtypes[i]), int(i));
        if (subtypes[i] == choice_.subtype) formats_->setCurrentIndex(int(i));
    }
    for (int index : model_.entriesOf(choice_.subtype)) {
        const FormatEntry& e = model_.entries()[std::size_t(index)];
        sizes_->addItem(StreamFormatModel::sizeLabel(e.width, e.height), index);
        if (e.width == choice_.width && e.height == choice_.height)
            sizes_->setCurrentIndex(sizes_->count() - 1);
    }
    const int entry = model_.find(choice_.subtype, choice_.width, choice_.height);
    if (entry >= 0) {
        for (REFERENCE_TIME t : model_.entries()[std::size_t(entry)].intervals) {
            rates_->addItem(StreamFormatModel::rateLabel(t), QVariant::fromValue<qlonglong>(t));
            if (t == choice_.interval) rates_->setCurrentIndex(rates_->count() - 1);
        }
    }
}

bool StreamFormatPage::choose(const GUID& subtype, int width, int height, REFERENCE_TIME interval) {
    const int index = model_.find(subtype, width, height);
    if (index < 0) return false;
    const FormatEntry& e = model_.entries()[std::size_t(index)];
    choice_ = Choice{e.subtype, e.width, e.height, StreamFormatModel::nearestInterval(e, interval)};
    choiceChanged();
    return true;
}

void StreamFormatPage::onFormatPicked(int index) {
    const std::vector<GUID> subtypes = model_.subtypes();
    if (index < 0 || std::size_t(index) >= subtypes.size()) return;
    const GUID subtype = subtypes[std::size_t(index)];
    // Keep the size where the new format offers it, else take its first one.
    int entry = model_.find(subtype, choice_.width, choice_.height);
    if (entry < 0) entry = model_.entriesOf(subtype).front();
    const FormatEntry& e = model_.entries()[std::size_t(entry)];
    choice_ = Choice{e.subtype, e.width, e.height,
                     StreamFormatModel::nearestInterval(e, choice_.interval)};
    choiceChanged();
}

void StreamFormatPage::onSizePicked(int index) {
    if (!sizes_ || index < 0) return;
    const int entry = sizes_->itemData(index).toInt();
    if (entry < 0 || std::size_t(entry) >= model_.entries().size()) return;
    const FormatEntry& e = model_.entries()[std::size_t(entry)];
    choice_ = Choice{e.subtype, e.width, e.height,
                     StreamFormatModel::nearestInterval(e, choice_.interval)};
    choiceChanged();
}

void StreamFormatPage::onRatePicked(int index) {
    if (!rates_ || index < 0) return;
    choice_.interval = REFERENCE_TIME(rates_->itemData(index).toLongLong());
    choiceChanged();
}

void StreamFormatPage::choiceChanged() {
    if (status_ && !model_.empty()) status_->clear();
    showChoice();
    setDirty(!(choice_ == applied_));
}

HRESULT StreamFormatPage::applyChanges() {
    const int index = model_.find(choice_.subtype, choice_.width, choice_.height);
    if (index < 0) return E_UNEXPECTED;
    AM_MEDIA_TYPE* mt = StreamFormatModel::mediaTypeFor(
        config_.get(), model_.entries()[std::size_t(index)], choice_.interval);
    if (!mt) return E_OUTOFMEMORY;
    const HRESULT hr = config_->SetFormat(mt);
    DeleteMediaType(mt);
    if (FAILED(hr)) {
        if (status_) {
            status_->setText(PageText("The device refused this format (error 0x%1).",
                                      "Устройство отклонило этот формат (ошибка 0x%1).")
                                 .arg(quint32(hr), 8, 16, QLatin1Char('0')));
        }
        return hr;
    }
    applied_ = choice_;
    return S_OK;
}

}  // namespace lumi::pages
