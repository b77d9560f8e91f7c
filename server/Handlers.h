// The handlers of server_callback, one per event.
#pragma once

#include <stdint.h>

#include <string>

#include "comm/ravokcomm.h"
#include "server/Catalogue.h"
#include "server/Db.h"

typedef intptr_t (*event_handler)(intptr_t arg);

// Handler of an event number; null for numbers the server does not answer.
event_handler handler_of(int32_t event);

// Device records and location storage.
intptr_t on_device_login(intptr_t arg);
intptr_t on_get_udp_mode(intptr_t arg);
intptr_t on_set_udp_mode(intptr_t arg);
intptr_t on_location(intptr_t arg);
intptr_t on_get_seqno(intptr_t arg);
intptr_t on_check_password(intptr_t arg);
intptr_t on_list_devices(intptr_t arg);
intptr_t on_log(intptr_t arg);
intptr_t on_find_device(intptr_t arg);
intptr_t on_peer_check(intptr_t arg);
intptr_t on_nop(intptr_t arg);
intptr_t on_kind_info(intptr_t arg);
intptr_t on_device_update(intptr_t arg);

// Formats one location value by its catalogue row. Returns false when the value is the
// type's left-out marker (the item is then not stored). Text is escaped through slot.
bool loc_format_value(db_slot* slot, const loc_row& row, const uint8_t* value, std::string& out);
// Builds the column and value lists of a location insert (without the leading fixed part).
void loc_build_lists(db_slot* slot, const loc_item* items, std::string& columns,
                     std::string& values);
// The whole "insert into locdata(...) values(...)" statement of a location event.
std::string loc_insert_statement(db_slot* slot, const ev_location* ev);

// Escaped copy of a text for a quoted SQL value; null gives the empty text.
std::string sql_text(db_slot* slot, const char* text);
