/* Interface between the data server RavokSrv and the communications library libravokcomm.so.
 *
 * Both sides include this header. Every field keeps its 32-bit (or 16-bit) width and order;
 * fields that hold a pointer, and the callback's argument and result, are of the platform's
 * pointer size. All blocks the server hands back from server_callback are allocated with
 * comm_alloc and freed by the library. */
#ifndef RAVOKCOMM_H
#define RAVOKCOMM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Events raised by the library through server_callback. */
enum {
  EV_DEVICE_LOGIN = 1,
  EV_GET_UDP_MODE = 2,
  EV_SET_UDP_MODE = 3,
  EV_LOCATION = 4,
  EV_GET_SEQNO = 5,
  EV_CHECK_PASSWORD = 6,
  EV_LIST_DEVICES = 7,
  EV_LOG = 8,
  EV_FIND_DEVICE = 9,
  EV_REPLY = 10,
  EV_COMMAND_RESULT = 11,
  EV_TACHO_BLOCK = 12,
  EV_DIGI_BLOCK = 13,
  EV_RELAY = 14,
  EV_PEER_CHECK = 15,
  EV_NOP = 16,
  EV_FILE_BEGIN = 17,
  EV_FILE_BLOCK = 18,
  EV_KIND_INFO = 19,
  EV_FIRMWARE_CHUNK = 20,
  EV_KEYLIST_CHUNK = 21,
  EV_DEVICE_UPDATE = 22
};

/* The server's event entry point. arg is a pointer to the event record, or for some events
 * the number or text pointer itself. The result is 1/0, a number, or a block from comm_alloc
 * (0 when there is nothing). */
typedef intptr_t (*server_callback_fn)(int32_t event, intptr_t arg);

/* Library settings block; stays in place for the whole run. */
typedef struct comm_settings {
  int32_t device_port;
  int32_t telnet_port;
  int32_t rcv_timeout;
  int32_t snd_timeout;
  int32_t cmmd_timeout;
  const char* ublox_token; /* null when absent */
  server_callback_fn callback;
  int32_t reserved; /* stays zero */
} comm_settings;

/* ---- Event records ---- */

typedef struct ev_device_login {
  const char* imei;
  const char* dscr;
  const char* ccid;
  int32_t version;
  const char* vin;
  const char* vrn;
  const char* tachofw;
  int32_t status;
  uint32_t crcc;
} ev_device_login;

typedef struct ev_set_udp_mode {
  uint32_t device_id;
  uint32_t mode; /* one higher than the stored mode */
} ev_set_udp_mode;

/* One location item of a singly linked list; the value is little-endian. */
typedef struct loc_item {
  const struct loc_item* next;
  uint32_t id;
  uint32_t len;
  const uint8_t* value;
} loc_item;

typedef struct ev_location {
  uint32_t device_id;
  uint32_t seqno;
  uint32_t event;
  const loc_item* items;
} ev_location;

typedef struct ev_check_password {
  uint32_t unused;
  const char* password;
} ev_check_password;

typedef struct ev_peer_check {
  uint32_t unused;
  uint16_t kind;
  uint16_t unused_hi;
  const uint8_t* address; /* 4 address bytes, then the port little-endian */
} ev_peer_check;

typedef struct ev_kind_info {
  uint32_t unused;
  uint32_t kind;
} ev_kind_info;

typedef struct ev_device_update {
  uint32_t device_id;
  int32_t version;
  const char* vin;
  const char* vrn;
  const char* tachofw;
  int32_t status;
  uint32_t crcc;
} ev_device_update;

typedef struct ev_reply {
  uint32_t device_id;
  uint32_t unused;
  uint32_t outbox_id; /* also the fragment number of type 21 */
  uint16_t type;
  uint16_t length;
  const uint8_t* data;
} ev_reply;

typedef struct ev_command_result {
  uint32_t unused;
  uint32_t outbox_id;
  uint16_t outcome;
  uint16_t unused_hi;
} ev_command_result;

typedef struct ev_relay {
  uint32_t key;
  uint32_t kind;
  uint16_t length;
  uint16_t unused_hi;
  const uint8_t* data;
} ev_relay;

/* EV_TACHO_BLOCK (word1 = key), EV_DIGI_BLOCK (word2 = key), EV_FILE_BLOCK (word2 = file id). */
typedef struct ev_block {
  uint32_t word1;
  uint32_t word2;
  uint16_t index;
  uint16_t count;
  uint16_t length;
  uint16_t unused_hi;
  const uint8_t* data;
} ev_block;

enum { EV_FILE_NAME_SIZE = 13, EV_FILE_DSCR_SIZE = 227 };

typedef struct ev_file_begin {
  uint32_t device_id;
  uint32_t size;
  uint32_t crcc1;
  uint32_t crcc2;
  char name[EV_FILE_NAME_SIZE]; /* zero-terminated, at most 12 characters */
  char dscr[EV_FILE_DSCR_SIZE]; /* zero-terminated */
} ev_file_begin;

typedef struct ev_firmware_chunk {
  uint32_t unused;
  uint32_t firmware;
  uint32_t type;
  uint32_t index;
} ev_firmware_chunk;

typedef struct ev_keylist_chunk {
  uint32_t unused1;
  uint32_t unused2;
  uint32_t list;
  uint32_t index;
} ev_keylist_chunk;

/* ---- Result blocks ---- */

typedef struct login_block {
  uint32_t device_id;
  uint32_t udpmode;
} login_block;

typedef struct udp_mode_block {
  uint32_t udpmode;
} udp_mode_block;

typedef struct device_block {
  struct device_block* next;
  char imei[16];
  char dscr[16];
  uint32_t device_id;
  uint32_t udpmode;
} device_block;

typedef struct kind_info_block {
  uint32_t words[4];
} kind_info_block;

typedef struct file_begin_block {
  uint32_t file_id;
  uint32_t position;
} file_begin_block;

enum { CHUNK_DATA_SIZE = 256 };

typedef struct chunk_block {
  uint16_t index;
  uint16_t length;
  uint8_t data[CHUNK_DATA_SIZE];
} chunk_block;

/* Command block handed to comm_send_command: 2-byte code, 2-byte payload length n, 4-byte
 * outbox id, n payload bytes, all little-endian, laid out byte by byte. */
enum { COMMAND_HEADER_SIZE = 8 };

/* ---- The eleven operations, in ordinal order ---- */

typedef int32_t (*comm_start_fn)(const comm_settings* settings);
typedef void (*comm_send_command_fn)(uint32_t device_id, uint32_t outbox_id, int32_t count,
                                     const uint8_t* block);
typedef void (*comm_send_data_fn)(uint32_t key, uint32_t kind, int32_t count, const uint8_t* block);
typedef void (*comm_stop_fn)(void);
typedef uint32_t (*comm_counter_fn)(void);
typedef int32_t (*comm_count_fn)(void);
typedef const char* (*comm_version_fn)(void);
typedef void* (*comm_alloc_fn)(uint32_t size);

enum { COMM_ORDINAL_COUNT = 11 };

/* The library's export table, in ordinal order (ELF has no ordinals). */
typedef struct comm_table {
  uint32_t count;                         /* COMM_ORDINAL_COUNT */
  comm_start_fn comm_start;               /* 1 */
  comm_send_command_fn comm_send_command; /* 2 */
  comm_send_data_fn comm_send_data;       /* 3 */
  comm_stop_fn comm_stop;                 /* 4 */
  comm_counter_fn comm_bytes_received;    /* 5 */
  comm_counter_fn comm_bytes_sent;        /* 6 */
  comm_count_fn comm_device_count;        /* 7 */
  comm_count_fn comm_config_count;        /* 8 */
  comm_count_fn comm_thread_count;        /* 9 */
  comm_version_fn comm_version;           /* 10 */
  comm_alloc_fn comm_alloc;               /* 11 */
} comm_table;

/* Name of the exported table symbol. */
#define COMM_TABLE_SYMBOL "ravokcomm_ordinals"

#ifdef __cplusplus
}
#endif

#endif
