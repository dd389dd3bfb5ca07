#include "app/batch/ReadAndResize.h"

#include "app/batch/DlgProcess.h"
#include "app/batch/DlgResize.h"

int ReadAndResize() {
    CDlgProcess process(nullptr);
    process.m_nMode = PROCESS_READ;
    if (process.DoModal() != plat::IDOK)
        return plat::IDCANCEL;
    CDlgResize resize(nullptr);
    resize.m_nWidth = process.m_nWidth;
    resize.m_nHeight = process.m_nHeight;
    resize.m_nXDpi = process.m_nXDpi;
    resize.m_nYDpi = process.m_nYDpi;
    return resize.DoModal();
}
