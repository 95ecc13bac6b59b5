#pragma once

#include "listen_url.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace catalogue {

inline constexpr int kSurahCount = 114;

enum class Site : unsigned char { None, DirectListen, ListenBox };

// One surah button's entry in a recording table. A direct-listen row carries
// the site's id of the surah and the two file sizes, as the site writes them;
// a listen-box row carries the audio id in `id`; a row of Site::None leaves
// its button without an action.
struct RecordingRow {
    int button;
    Site site;
    std::string_view id;
    std::string_view mp3Size;
    std::string_view rmSize;
    Blank moshafBlank;
    std::string_view rmNumber;
};

constexpr RecordingRow direct(int button, std::string_view id, std::string_view mp3Size,
                              std::string_view rmSize, Blank moshafBlank = Blank::Literal,
                              std::string_view rmNumber = "1")
{
    return {button, Site::DirectListen, id, mp3Size, rmSize, moshafBlank, rmNumber};
}

constexpr RecordingRow listenBox(int button, std::string_view audioId)
{
    return {button, Site::ListenBox, audioId, {}, {}, Blank::Literal, {}};
}

constexpr RecordingRow noAddress(int button)
{
    return {button, Site::None, {}, {}, {}, Blank::Literal, {}};
}

// One recording: the page that plays it, its page-wide values, and one row
// per surah button in button order (exactly kSurahCount rows).
struct Recording {
    std::string_view form;
    std::string_view mId;      // empty on a recording the listen-box site serves throughout
    std::string_view moshaf;   // words separated by single blanks
    Blank surah3Blank;         // how surah 3's two-word name is written on this page
    std::span<const RecordingRow> rows;
};

// The nine recordings, in page order: Form1, Form3 to Form10.
std::span<const Recording *const> recordings();

// The recording played on page `form`, or nullptr if that page has none.
const Recording *recordingFor(std::string_view form);

// The address that surah button `button` of `recording` sends, or nothing if
// that button has no entry.
std::optional<std::string> listenUrl(const Recording &recording, int button, const SiteHosts &hosts);

// Surah `number`'s name as the direct-listen addresses spell it; two words are
// separated by one blank.
std::string_view surahUrlName(int number);

} // namespace catalogue
