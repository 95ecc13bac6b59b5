#include "menu_design.h"

#include "page_design.h"

namespace shell {

QStringList menuTabOrderNames()
{
    QStringList names;
    for (int n : {1, 2, 3, 4, 5, 7, 8, 9, 10, 11})
        names << controlName(n);
    return names;
}

} // namespace shell
