#include "listen_url.h"

namespace catalogue {

std::string joinWords(std::string_view words, Blank blank)
{
    if (blank == Blank::Literal)
        return std::string(words);
    std::string joined;
    joined.reserve(words.size() + 8);
    for (char c : words) {
        if (c == ' ')
            joined += "%20";
        else
            joined += c;
    }
    return joined;
}

std::string directListenUrl(std::string_view host, const DirectListenFields &f)
{
    std::string url;
    url.reserve(320);
    url += "http://";
    url += host;
    url += "/?iw_s=outdoor&iw_a=directlistenSorvantel&type=mp3&id=";
    url += f.id;
    url += "&name=";
    url += joinWords(f.name, f.nameBlank);
    url += "&type=mp3&number=1&M_id=";
    url += f.mId;
    url += "&C_id=";
    url += std::to_string(f.cId);
    url += "&moshaf=";
    url += joinWords(f.moshaf, f.moshafBlank);
    url += "&mp3_number=1&mp3_size=";
    url += f.mp3Size;
    url += "&rm_number=";
    url += f.rmNumber;
    url += "&rm_size=";
    url += f.rmSize;
    return url;
}

std::string listenBoxUrl(std::string_view host, std::string_view audioId)
{
    std::string url = "http://";
    url += host;
    url += "/audio/listenbox.php?audioid=";
    url += audioId;
    url += "&type=wma";
    return url;
}

} // namespace catalogue
