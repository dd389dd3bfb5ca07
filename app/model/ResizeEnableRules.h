#pragma once
// Which controls of the resize options dialog are enabled, as one function of what the dialog
// shows: the dialog applies it after every choice that can change the answer.
//
// Called by CDlgResize on the user-interface thread; a plain function, callable from tests
// without a window.
#include <cstdint>

struct ResizeChoices {
    bool bInFolder = true;         // "in the folder:" rather than "Overwrite the source file"
    std::int32_t nSaveType = 0;    // the save-type list's index (0 the source's format), -1 none
    bool bJpegInSelection = false; // a picture of a lossy format (JPEG, WebP, AVIF, HEIC)
    bool bQualityEnabled = true;   // the slider as it stands: some save types leave it so
    bool bResize = true;
    bool bDesktop = false; // "Resize as your desktop size" rather than "Resize as"
    bool bConstrain = true;
    bool bCommonSizeKnown = true; // the selected pictures all have one size
    bool bRotate = false;
    bool bSetDpi = false;
    bool bLimit = false; // a file size limit is set
};

struct ResizeEnables {
    bool bFolder;        // the folder edit and the save-type list
    bool bTrash;         // "Keep replaced originals in the trash"
    bool bQuality;       // the quality slider
    bool bSizeMode;      // "Constrain Proportion", the two size-mode radios, "Never enlarge"
    bool bSizeEntries;   // the width and height edits
    bool bUnits;         // the two unit lists
    bool bRotateChoices; // the three rotation radios
    bool bDpiEntries;    // the two resolution edits
    bool bResizeButton;  // "Resize"; "Resize and mail" can always mail the pictures
    // The size limit is always open: it holds for every destination and save type.
};

ResizeEnables ResizeDialogEnables(const ResizeChoices& choices);
