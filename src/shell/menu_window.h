#pragma once

#include <QWidget>

namespace shell {

class FormsRuntime;

// The menu, Form2: one button per recording and Exit, each in its frame.
// It is only ever hidden and shown again, so it keeps its place on the screen.
class MenuWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MenuWindow(FormsRuntime &runtime);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void openRecording(int entryIndex);

    FormsRuntime &runtime_;
};

} // namespace shell
