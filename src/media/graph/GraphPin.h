// A pin: one ghost pad of a filter's bin, with direction and category. A pin lives as
// long as its filter and shares the filter's reference count. The caps agreed when the
// pin was connected are its connection media type.
#pragma once

#include <string>

#include "media/com/DShow.h"
#include "media/gst/GstHandle.h"

class GstFilter;

class GraphPin final : public IPin {
public:
    GraphPin(GstFilter& filter, std::wstring name, PIN_DIRECTION dir, const GUID& category,
             GstPad* ghostPad);
    ~GraphPin() override;

    // IUnknown (the filter's count)
    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IPin
    HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* mt) override;
    HRESULT Disconnect() override;
    HRESULT ConnectedTo(IPin** pin) override;
    HRESULT ConnectionMediaType(AM_MEDIA_TYPE* mt) override;
    HRESULT QueryPinInfo(PIN_INFO* info) override;
    HRESULT QueryDirection(PIN_DIRECTION* dir) override;

    GstFilter& filter() const { return filter_; }
    GstPad* pad() const { return pad_.get(); }
    const std::wstring& name() const { return name_; }
    PIN_DIRECTION direction() const { return dir_; }
    const GUID& category() const { return category_; }

    // The pin on the other end of the link, or null.
    GraphPin* peer() const;
    // The pin a ghost pad belongs to, or null.
    static GraphPin* fromPad(GstPad* pad);

    // The caps this pin can carry now (asked of the pads behind it).
    GstHandle<GstCaps> possibleCaps() const;
    const GstCaps* connectionCaps() const { return connectionCaps_.get(); }
    void setConnectionCaps(GstHandle<GstCaps> caps) { connectionCaps_ = std::move(caps); }
    // Links this output to in on a type both can carry (and mt, where given): the pins'
    // directions, that neither is connected, the common type, then the pads.
    HRESULT linkTo(GraphPin& in, const AM_MEDIA_TYPE* mt);

private:
    GstFilter& filter_;
    std::wstring name_;
    PIN_DIRECTION dir_;
    GUID category_;
    GstHandle<GstPad> pad_;
    GstHandle<GstCaps> connectionCaps_;
};
