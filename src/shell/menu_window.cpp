#include "menu_window.h"

#include "form_button.h"
#include "forms_runtime.h"
#include "menu_design.h"
#include "reciter_entries.h"
#include "window_building.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QTimer>

namespace shell {

namespace {

constexpr FontSpec kMenuFont{kMsSansSerif, 7.8};

} // namespace

MenuWindow::MenuWindow(FormsRuntime &runtime)
    : runtime_(runtime)
{
    setUpWindow(this, kMenuForm, QString::fromUtf16(kMenuCaption), kMenuBack, kMenuClient);

    auto *recordings = new QButtonGroup(this);
    const auto entries = reciterEntries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ReciterEntry &entry = entries[i];
        const TwipsRect place{entry.left, entry.top, kRecordingButtonWidth, kRecordingButtonHeight};
        recordings->addButton(addButton(this, entry.menuButton, QString::fromUtf16(entry.caption),
                                        place, kMenuFont),
                              static_cast<int>(i));
        addShape(this, entry.frameShape, framedRect(place));
    }
    connect(recordings, &QButtonGroup::idClicked, this, &MenuWindow::openRecording);

    FormButton *exit = addButton(this, kMenuExitButton, QString::fromUtf16(kMenuExitCaption),
                                 kMenuExitRect, kMenuFont);
    addShape(this, kMenuExitShape, framedRect(kMenuExitRect));
    connect(exit, &QPushButton::clicked, &runtime_, &FormsRuntime::end);

    // The design carries a timer that nothing starts.
    (new QTimer(this))->setObjectName(QStringLiteral("Timer1"));

    applyTabOrder(this, menuTabOrderNames());
}

void MenuWindow::openRecording(int entryIndex)
{
    const QString page = QLatin1String(reciterEntries()[static_cast<std::size_t>(entryIndex)].page);
    runtime_.show(page);
    runtime_.hide(QLatin1String(kMenuForm));
}

void MenuWindow::closeEvent(QCloseEvent *event)
{
    // Closing the menu through its frame ends the program, as Exit does.
    event->ignore();
    runtime_.end();
}

} // namespace shell
