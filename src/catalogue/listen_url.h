#pragma once

#include <string>
#include <string_view>

namespace catalogue {

// How a blank between two words of a value stands in an address: the tables
// choose per value, and the choice is sent as it stands.
enum class Blank : unsigned char { Literal, Percent20 };

// One host per site; a host may carry a port (a local test site does).
struct SiteHosts {
    std::string directListen;
    std::string listenBox;
};

// The hosts this program was built with (DIRECT_LISTEN_HOST, LISTEN_BOX_HOST).
SiteHosts builtInHosts();

// The values of one direct-listen address; the fixed pairs are the format's own.
struct DirectListenFields {
    std::string_view id;
    std::string_view name;      // words separated by single blanks
    Blank nameBlank = Blank::Literal;
    std::string_view mId;
    int cId = 0;
    std::string_view moshaf;    // words separated by single blanks
    Blank moshafBlank = Blank::Literal;
    std::string_view mp3Size;
    std::string_view rmNumber;
    std::string_view rmSize;
};

// Writes each blank of `words` as the chosen blank; nothing else changes.
std::string joinWords(std::string_view words, Blank blank);

std::string directListenUrl(std::string_view host, const DirectListenFields &fields);
std::string listenBoxUrl(std::string_view host, std::string_view audioId);

} // namespace catalogue
