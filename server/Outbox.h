// The outbox poll: queued commands handed to the library, every 30 timer ticks.
#pragma once

void outbox_poll();
