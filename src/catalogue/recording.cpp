#include "recording.h"

#include "recordings/recording_data.h"

#include <array>

namespace catalogue {

namespace {

constexpr std::array<const Recording *, 9> kAll = {
    &data::form1, &data::form3, &data::form4, &data::form5, &data::form6,
    &data::form7, &data::form8, &data::form9, &data::form10,
};

} // namespace

std::span<const Recording *const> recordings()
{
    return kAll;
}

const Recording *recordingFor(std::string_view form)
{
    for (const Recording *recording : kAll) {
        if (recording->form == form)
            return recording;
    }
    return nullptr;
}

std::optional<std::string> listenUrl(const Recording &recording, int button, const SiteHosts &hosts)
{
    if (button < 1 || button > static_cast<int>(recording.rows.size()))
        return std::nullopt;
    const RecordingRow &row = recording.rows[static_cast<std::size_t>(button - 1)];
    switch (row.site) {
    case Site::None:
        return std::nullopt;
    case Site::ListenBox:
        return listenBoxUrl(hosts.listenBox, row.id);
    case Site::DirectListen:
        return directListenUrl(hosts.directListen,
                               {.id = row.id,
                                .name = surahUrlName(button),
                                .nameBlank = recording.surah3Blank,
                                .mId = recording.mId,
                                .cId = button,
                                .moshaf = recording.moshaf,
                                .moshafBlank = row.moshafBlank,
                                .mp3Size = row.mp3Size,
                                .rmNumber = row.rmNumber,
                                .rmSize = row.rmSize});
    }
    return std::nullopt;
}

} // namespace catalogue
