#include "app/batch/ReadInfoPass.h"

#include "app/batch/DlgProcess.h"
#include "app/batch/ResizeRules.h"
#include "app/core/AppSetting.h"
#include "image/IImage.h"

unsigned ReadInfoThreadProc(void* param) {
    auto* dlg = static_cast<CDlgProcess*>(param);
    IImage image(0);
    CAppSetting* app = GetAppSetting();
    app->m_bJpegInSelection = 0;
    const std::vector<std::string>& files = app->m_listFiles;
    for (std::size_t index = 0; index < files.size(); ++index) {
        if (dlg->IsStopping())
            return 0;
        const std::string& path = files[index];
        app->SetStatus(MakeStatusLine("Reading", path));
        dlg->Post(WM_PROCESS_STEP, index, 0);

        image.LoadImageInfo(path);
        const int width = image.GetWidth();
        const int height = image.GetHeight();
        const int xdpi = image.GetXDPI();
        const int ydpi = image.GetYDPI();
        if (image.GetImageType() == CXIMAGE_FORMAT_JPG)
            app->m_bJpegInSelection = 1;
        if (index == 0) {
            dlg->m_nWidth = width;
            dlg->m_nHeight = height;
            dlg->m_nXDpi = xdpi;
            dlg->m_nYDpi = ydpi;
        }
        if (dlg->m_nWidth != width || dlg->m_nHeight != height) {
            dlg->m_nWidth = 0;
            dlg->m_nHeight = 0;
        }
        if (dlg->m_nXDpi != xdpi)
            dlg->m_nXDpi = 0;
        if (dlg->m_nYDpi != ydpi)
            dlg->m_nYDpi = 0;
    }
    dlg->Post(WM_PROCESS_DONE, 0, 0);
    return 0;
}
