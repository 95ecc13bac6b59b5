#pragma once

#include "twips.h"

#include <QString>

#include <span>

namespace shell {

// One recording as the menu offers it: the menu button that opens it, where
// that button stands and the shape that frames it, and the page window it
// opens with that window's caption.
struct ReciterEntry {
    int menuButton;              // Command<menuButton> of the menu
    const char16_t *caption;
    int left;
    int top;
    const char *frameShape;
    const char *page;
    const char16_t *pageCaption;
};

std::span<const ReciterEntry> reciterEntries();

// The caption of page window `page`; empty if no entry opens it.
QString pageCaption(QLatin1StringView page);

} // namespace shell
