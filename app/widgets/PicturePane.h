#pragma once
// IPicturePane: the preview as the file list reaches it through the document. When a picture
// row becomes current the list calls SetPicturePath and ShowPicture, then ReadAhead with the
// picture next to it in the direction the user moves (or ""); when a folder row does,
// SetPicturePath("") and ClearPicture. The preview pane (CScrollPictureView) is one; a test of
// the file list stands a recording one in.
//
// User-interface thread only.
#include <string>

class IPicturePane {
  public:
    virtual ~IPicturePane() = default;

    // Remembers the file to show; nothing else happens.
    virtual void SetPicturePath(const std::string& path) = 0;
    // Starts reading the remembered file and returns true. When no file exists there, returns
    // false at once and the pane stays as it was.
    virtual bool ShowPicture() = 0;
    // Drops the picture (and one still being read), so the pane shows only its background.
    virtual void ClearPicture() = 0;
    // Reads the picture at path ahead while the shown one stays, so that showing it next takes
    // no wait; "" (or a path where no file is) drops what was read ahead.
    virtual void ReadAhead(const std::string& path) = 0;
};
