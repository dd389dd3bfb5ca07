#pragma once
// CScrollPictureView: the right-hand pane of the picture browser. It shows the picture that is
// current in the file list, scaled into a square box at the top of the pane, and under it a
// framed "Picture Properties" panel with the picture's EXIF entries as name/value rows or, for a
// picture without EXIF data, its width and height.
//
// The file list calls SetPicturePath and ShowPicture when a picture row becomes current, and
// SetPicturePath("") and ClearPicture when a folder row does, through the document's pointer
// to this view. They are virtual so that a test of the file list can stand a recording view in.
// Used on the user-interface thread only.
#include <QAbstractScrollArea>
#include <QSize>

#include <memory>
#include <string>

class CExifReader;
class CVantrelDoc;
class IImage;
class QPainter;

// A rectangle in the pane's client coordinates; right and bottom lie just outside it.
struct PaneRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const PaneRect&) const = default;
};

class CScrollPictureView : public QAbstractScrollArea {
  public:
    explicit CScrollPictureView(CVantrelDoc* doc, QWidget* parent = nullptr);
    ~CScrollPictureView() override;

    // Remembers the file to show; nothing else happens.
    virtual void SetPicturePath(const std::string& path);
    // Loads the remembered file's EXIF data and picture and repaints. When no file exists
    // there, returns false at once and the pane stays as it was. A file that does not decode
    // leaves the pane showing only its background.
    virtual bool ShowPicture();
    // Drops the picture, so the pane shows only its background.
    virtual void ClearPicture();

    // Sets the initial scroll range of 100 x 100 and enters this view in the document.
    void OnInitialUpdate();

    // The box the picture is drawn into, for a width x height picture in the client rectangle:
    // a square area that follows the pane's width, the picture centred at its own size when it
    // fits, else shrunk to the box's width (landscape) or height (portrait).
    static PaneRect FitPictureRect(const PaneRect& client, int width, int height);
    // Draws the properties panel under the picture box: the rows of exif, or, when exif is
    // null, the picture's width and height. Returns the size the content needs, from the
    // client's origin.
    static QSize DrawProperties(QPainter& painter, const PaneRect& client, const PaneRect& box,
                                CExifReader* exif, int width, int height);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    bool PictureLoaded() const;
    PaneRect ClientRect() const;
    void OnDraw(QPainter& painter);
    void SetScrollSizes(QSize total);
    void UpdateScrollBars();

    CVantrelDoc* m_pDoc;
    std::unique_ptr<IImage> m_pImage;
    std::unique_ptr<CExifReader> m_pExif;
    bool m_bHasExif = false;
    std::string m_strPicturePath;
    QSize m_sizeTotal;
};
