// The one event entry point the communications library calls, from any of its threads.
#include <dlfcn.h>
#include <mysql.h>

#include "server/Files.h"
#include "server/Handlers.h"
#include "server/Replies.h"
#include "server/Server.h"

server_config g_cfg;
std::atomic<uint32_t> g_sql_requests{0};
const comm_table* g_comm = nullptr;

namespace {

struct event_entry {
  int32_t event;
  event_handler handler;
};

// Events without an entry answer 0.
const event_entry kEvents[] = {
    {EV_DEVICE_LOGIN, on_device_login},
    {EV_GET_UDP_MODE, on_get_udp_mode},
    {EV_SET_UDP_MODE, on_set_udp_mode},
    {EV_LOCATION, on_location},
    {EV_GET_SEQNO, on_get_seqno},
    {EV_CHECK_PASSWORD, on_check_password},
    {EV_LIST_DEVICES, on_list_devices},
    {EV_LOG, on_log},
    {EV_FIND_DEVICE, on_find_device},
    {EV_PEER_CHECK, on_peer_check},
    {EV_NOP, on_nop},
    {EV_KIND_INFO, on_kind_info},
    {EV_DEVICE_UPDATE, on_device_update},
    {EV_REPLY, on_reply},
    {EV_COMMAND_RESULT, on_command_result},
    {EV_RELAY, on_relay},
    {EV_TACHO_BLOCK, on_tacho_block},
    {EV_DIGI_BLOCK, on_digi_block},
    {EV_FILE_BEGIN, on_file_begin},
    {EV_FILE_BLOCK, on_file_block},
    {EV_FIRMWARE_CHUNK, on_firmware_chunk},
    {EV_KEYLIST_CHUNK, on_keylist_chunk},
};

}  // namespace

event_handler handler_of(int32_t event) {
  for (const event_entry& e : kEvents)
    if (e.event == event) return e.handler;
  return nullptr;
}

extern "C" intptr_t server_callback(int32_t event, intptr_t arg) {
  event_handler h = handler_of(event);
  return h ? h(arg) : 0;
}

bool server_init() {
  // The client library must be set up once before threads open connections.
  static bool client_ready = mysql_library_init(0, nullptr, nullptr) == 0;
  return client_ready;
}

void server_done() {}

void* comm_block(uint32_t size) {
  if (!g_comm || !g_comm->comm_alloc) return nullptr;
  return g_comm->comm_alloc(size);
}

const comm_table* comm_load(const char* path, void** handle) {
  *handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!*handle) return nullptr;
  const comm_table* t = static_cast<const comm_table*>(dlsym(*handle, COMM_TABLE_SYMBOL));
  bool complete = t && t->count == COMM_ORDINAL_COUNT && t->comm_start && t->comm_send_command &&
                  t->comm_send_data && t->comm_stop && t->comm_bytes_received &&
                  t->comm_bytes_sent && t->comm_device_count && t->comm_config_count &&
                  t->comm_thread_count && t->comm_version && t->comm_alloc;
  if (!complete) {
    dlclose(*handle);
    *handle = nullptr;
    return nullptr;
  }
  return t;
}

void comm_unload(void* handle) {
  if (handle) dlclose(handle);
}
