// Answers the message boxes a test provokes, as a user would, and records
// what each box showed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct SeenMessageBox {
    std::string text; // Windows-1252, as the program passed it
    std::string caption;
    HWND owner = nullptr;      // the box's owner window
    bool ownerEnabled = false; // whether the owner took input while the box was open
    std::vector<int> buttons;  // the buttons shown: IDOK, IDCANCEL, IDYES, IDNO, ...
    bool hasIcon = false;      // a window icon (WM_GETICON), as the program's windows have
};

// While it lives, answers the next message boxes of this thread in order: the
// first with answers[0] (a button id such as IDOK or IDNO), the next with
// answers[1], and so on; boxes beyond the list stay open. Works inside any
// modal loop: a thread timer looks for a visible "#32770" window that is not a
// dialog of the toolkit. One answerer at a time.
class MessageBoxAnswerer {
  public:
    explicit MessageBoxAnswerer(std::vector<int> answers);
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // The boxes answered so far, in order.
    const std::vector<SeenMessageBox>& seen() const { return boxes; }

  private:
    static void CALLBACK onTimer(HWND, UINT, UINT_PTR, DWORD);
    void answerOpenBox();

    std::vector<int> answers;
    std::vector<SeenMessageBox> boxes;
    HWND lastAnswered = nullptr;
    UINT_PTR timer = 0;
};
