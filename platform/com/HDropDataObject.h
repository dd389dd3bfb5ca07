#pragma once
// The data object a host (vtlmenu, the Nautilus extension) hands to a shell extension's
// Initialize: the selected files as a CF_HDROP list, a fresh copy for each GetData.
// Created with a reference count of 1 by Create; used on the host's thread only.
#include "platform/com/DataObject.h"

namespace plat {

class CHDropDataObject final : public IDataObject {
public:
    static CHDropDataObject* Create(std::vector<std::string> files);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetData(const FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT QueryGetData(const FORMATETC* format) override;

private:
    explicit CHDropDataObject(std::vector<std::string> files);
    ~CHDropDataObject() = default;

    ULONG m_refs = 1;
    std::vector<std::string> m_files;
};

} // namespace plat
