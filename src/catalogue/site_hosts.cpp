#include "listen_url.h"

namespace catalogue {

SiteHosts builtInHosts()
{
    return {SORVANTEL_DIRECT_LISTEN_HOST, SORVANTEL_LISTEN_BOX_HOST};
}

} // namespace catalogue
