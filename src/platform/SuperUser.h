#pragma once

// True when the process runs with the super-user's effective id (root).
bool runningAsSuperUser();
