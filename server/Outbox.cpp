#include "server/Outbox.h"

void outbox_poll() {}
