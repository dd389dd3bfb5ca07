#pragma once
// The data object a host (vtlmenu, the Nautilus extension) hands to a shell extension's
// Initialize: the selected files as a CF_HDROP list, a fresh copy for each GetData.
// Created with a reference count of 1 by Create; used on the host's thread only.
#include "platform/com/DataObject.h"
#include "platform/com/RefCounted.h"

namespace plat {

class CHDropDataObject final : public CRefCounted<IDataObject> {
  public:
    static CHDropDataObject* Create(std::vector<std::string> files);

    HRESULT GetData(const FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT QueryGetData(const FORMATETC* format) override;

  private:
    explicit CHDropDataObject(std::vector<std::string> files);
    ~CHDropDataObject() override = default;

    std::vector<std::string> m_files;
};

} // namespace plat
