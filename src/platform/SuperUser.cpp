#include "platform/SuperUser.h"

#include <unistd.h>

bool runningAsSuperUser() {
    return ::geteuid() == 0;
}
