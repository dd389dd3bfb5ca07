#include "app/batch/ReadInfoPass.h"

#include "app/batch/PassSink.h"
#include "app/model/AppSetting.h"
#include "app/model/ImageFormats.h"
#include "app/model/ResizeRules.h"
#include "image/IImage.h"

namespace {

PassResult ReadShared(IPassSink& sink, CAppSetting& app) {
    PassResult shared;
    IImage image(0);
    app.m_bJpegInSelection = 0;
    const std::vector<std::string>& files = app.m_listFiles;
    for (std::size_t index = 0; index < files.size() && !sink.IsStopping(); ++index) {
        const std::string& path = files[index];
        sink.Step(index, MakeStatusLine("Reading", path));

        image.LoadImageInfo(path);
        const int width = image.GetWidth();
        const int height = image.GetHeight();
        const int xdpi = image.GetXDPI();
        const int ydpi = image.GetYDPI();
        if (HasQuality(image.GetImageType()))
            app.m_bJpegInSelection = 1;
        if (index == 0) {
            shared.nWidth = width;
            shared.nHeight = height;
            shared.nXDpi = xdpi;
            shared.nYDpi = ydpi;
        }
        if (shared.nWidth != width || shared.nHeight != height) {
            shared.nWidth = 0;
            shared.nHeight = 0;
        }
        if (shared.nXDpi != xdpi)
            shared.nXDpi = 0;
        if (shared.nYDpi != ydpi)
            shared.nYDpi = 0;
    }
    return shared;
}

} // namespace

void ReadInfoThreadProc(IPassSink& sink, CAppSetting& app) {
    // When memory runs out, nothing is known to be shared.
    RunPass(
        sink, [&] { return ReadShared(sink, app); }, [] { return PassResult{}; });
}
