// Stands in for the favourites menu until it is built: "&Servers" stays a
// disabled, empty drop-down.

#include "app/MainFrm.h"

void TMain::LoadFavQueryServers(bool Rebuild)
{
    (void)Rebuild;
}
