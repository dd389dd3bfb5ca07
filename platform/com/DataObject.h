#pragma once
// The data object through which a file manager hands its selection to a shell extension, and
// the CF_HDROP file list it carries.
//
// A CF_HDROP medium is a global memory block laid out as on Windows: a DROPFILES header whose
// pFiles is the offset of the names, then the names one after another, each NUL-terminated,
// and one more NUL at the end. Names are UTF-8 (fWide 0). Built by MakeHDrop, read by
// DragQueryFile; DragQueryFile never reads past the block, whatever its bytes say.
// The extension calls these on the thread its host created it on.
#include "platform/com/GlobalMemory.h"
#include "platform/com/Unknown.h"

#include <string>
#include <vector>

#ifdef _WIN32
namespace plat {

using ::CLIPFORMAT;
using ::DROPFILES;
using ::FORMATETC;
using ::HDROP;
using ::IDataObject;
using ::IID_IDataObject;
using ::ReleaseStgMedium;
using ::STGMEDIUM;
// DragQueryFile is the Windows headers' DragQueryFileA.

} // namespace plat

#else
namespace plat {

using CLIPFORMAT = std::uint16_t;
using HDROP = HGLOBAL;

constexpr CLIPFORMAT CF_HDROP = 15;
enum : std::uint32_t { DVASPECT_CONTENT = 1 };
enum : std::uint32_t { TYMED_NULL = 0, TYMED_HGLOBAL = 1 };

// {0000010E-0000-0000-C000-000000000046}
constexpr IID IID_IDataObject = {
    0x0000010E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct DVTARGETDEVICE;

struct FORMATETC {
    CLIPFORMAT cfFormat;
    DVTARGETDEVICE* ptd;
    std::uint32_t dwAspect;
    std::int32_t lindex;
    std::uint32_t tymed;
};

struct STGMEDIUM {
    std::uint32_t tymed;
    HGLOBAL hGlobal;
    IUnknown* pUnkForRelease;
};

struct DROPFILES {
    std::uint32_t pFiles; // offset of the first name from the start of the block
    std::int32_t ptX;
    std::int32_t ptY;
    std::int32_t fNC;
    std::int32_t fWide;
};

class IDataObject : public IUnknown {
  public:
    // Fills `medium` with a block the caller owns (ReleaseStgMedium frees it).
    virtual HRESULT GetData(const FORMATETC* format, STGMEDIUM* medium) = 0;
    virtual HRESULT QueryGetData(const FORMATETC* format) = 0;

  protected:
    ~IDataObject() = default;
};

// Frees the medium's block, or releases the object that owns it.
void ReleaseStgMedium(STGMEDIUM* medium);

// A CF_HDROP block with these names; null when out of memory.
HGLOBAL MakeHDrop(const std::vector<std::string>& files);

// With index 0xFFFFFFFF: the number of names. With a null buffer: the length of name `index`
// without its NUL. Otherwise copies at most cch - 1 bytes of the name and a NUL and returns
// the bytes copied. 0 when the name does not exist or the block is not a file list.
UINT DragQueryFile(HDROP drop, UINT index, char* buffer, UINT cch);

} // namespace plat
#endif
