#include "app/batch/ReadAndResize.h"

#include "app/batch/DlgProcess.h"
#include "app/batch/DlgResize.h"

int ReadAndResize(ResizeOutcome* outcome, const FolderPictures& found) {
    CDlgProcess process(nullptr);
    process.m_nMode = PROCESS_READ;
    if (process.DoModal() != plat::IDOK)
        return plat::IDCANCEL;
    CDlgResize resize(nullptr);
    resize.m_nWidth = process.m_nWidth;
    resize.m_nHeight = process.m_nHeight;
    resize.m_nXDpi = process.m_nXDpi;
    resize.m_nYDpi = process.m_nYDpi;
    resize.m_folderPictures = found;
    const int result = resize.DoModal();
    if (outcome)
        *outcome = {resize.m_nWritten, resize.m_bMail, resize.m_bMailHanded};
    return result;
}
