#pragma once
// Running the real progress dialog in tests, and answering whatever it opens as a person would.
#include "app/batch/DlgProcess.h"
#include "app/core/AppSetting.h"

#include <QString>
#include <QTimer>

#include <string>
#include <vector>

namespace batchtest {

// Watches every modal window while it lives: answers each "Vantrel Confirm" with the next
// scripted button name (IDC_YESTOALL, IDC_YES, IDC_NO, IDC_NOTOALL, or ESC for the Esc key;
// IDC_NO once the script is used up) and records what it showed; reads and closes each message
// box.
class Responder {
public:
    struct Asked {
        std::string file;
        std::string question;
        std::string focused;
        bool active = false;
        bool defaultIsYes = false;
    };

    explicit Responder(std::vector<QString> answers = {});
    ~Responder();
    Responder(const Responder&) = delete;
    Responder& operator=(const Responder&) = delete;

    std::vector<Asked> asked;
    std::vector<std::string> messages;
    std::size_t unscripted = 0;

private:
    void Poll();

    QTimer m_timer;
    std::vector<QString> m_answers;
    std::size_t m_next = 0;
};

struct Outcome {
    int code = 0;
    std::vector<int> positions; // every position the bar took, in order
    int maximum = -1;
    std::string caption;
    std::string status;
    std::int32_t width = -1, height = -1, xdpi = -1, ydpi = -1;
};

// Fresh default settings with this input list.
ResizeSetting& ResetSettings(const std::vector<std::string>& files);

// Runs one CDlgProcess modally. onStep, if given, runs on each new bar position with the
// dialog.
Outcome RunProcess(std::int32_t mode, bool mail = false,
                   const std::function<void(CDlgProcess&, int)>& onStep = {});

} // namespace batchtest
