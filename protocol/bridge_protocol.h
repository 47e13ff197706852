/* The packets between the program and the USB bridge, shared by the host and
 * the ATmega328P firmware: plain C99, no allocation, no state outside the
 * caller's structs.
 *
 * A packet is type, seq, len, len payload bytes and a CRC-16/CCITT-FALSE over
 * all of these, high byte first. On the wire it is COBS-encoded and ends with
 * one 0x00. The serial line runs at 500000 baud, 8N1. */
#ifndef BRIDGE_PROTOCOL_H
#define BRIDGE_PROTOCOL_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define BP_PROTOCOL_VERSION 1
#define BP_BAUD_RATE 500000UL
#define BP_MAX_PAYLOAD 32
#define BP_FRAME_PAYLOAD 32
#define BP_HEADER_SIZE 3
#define BP_CRC_SIZE 2
#define BP_MAX_RAW (BP_HEADER_SIZE + BP_MAX_PAYLOAD + BP_CRC_SIZE)
/* COBS adds one code byte per started run of 254 bytes, then the delimiter. */
#define BP_MAX_ENCODED (BP_MAX_RAW + (BP_MAX_RAW + 253) / 254 + 1)

/* Host to device. */
#define BP_HELLO 0x01 /* payload: the host's protocol version; brightness back to 100 */
#define BP_FRAME 0x02 /* payload: 32 bytes, rows from the top, left half then right half */
#define BP_BLANK 0x03 /* no payload */
#define BP_PING 0x04  /* no payload */
/* A frame of grey levels 0..15 goes as four packets, bit planes 0 to 3 in this
 * order: payload 32 bytes, bit k of every LED's level laid out as in BP_FRAME.
 * The last plane shows the frame. A firmware without grey levels refuses them
 * with BP_ERR_TYPE. */
#define BP_LEVEL_PLANE0 0x05
#define BP_LEVEL_PLANES 4
#define BP_LEVEL_PLANE(k) (BP_LEVEL_PLANE0 + (k))
#define BP_LEVEL_MAX 15
/* payload: one byte, the share of full light in percent, BP_BRIGHTNESS_MIN..100.
 * The board stays dark after each pass (each cycle of planes for a level frame)
 * for as long as it takes to light it that share of the time; 100 after boot.
 * A firmware that cannot dim refuses it with BP_ERR_TYPE. */
#define BP_BRIGHTNESS 0x09
#define BP_BRIGHTNESS_MIN 5
#define BP_BRIGHTNESS_MAX 100

/* Device to host. */
#define BP_READY 0x81 /* payload: protocol version; sent once at boot */
#define BP_IDENT 0x82 /* payload: version, firmware major, minor, width, height */
#define BP_ACK 0x83   /* no payload; seq of the packet acknowledged */
#define BP_NAK 0x84   /* payload: a bp_result error class; seq of the bad packet or 0 */

#define BP_IDENT_PAYLOAD 5

typedef struct {
    uint8_t type, seq, len;
    uint8_t payload[BP_MAX_PAYLOAD];
} bp_packet;

uint16_t bp_crc16(const uint8_t* data, size_t n);

/* Writes the framed packet, delimiter included, and returns its size; 0 when
 * cap is too small or len exceeds BP_MAX_PAYLOAD. */
size_t bp_encode(const bp_packet* p, uint8_t* out, size_t cap);

typedef enum {
    BP_NONE = 0,
    BP_OK,
    BP_ERR_SHORT,  /* fewer than 5 decoded bytes */
    BP_ERR_LONG,   /* more than BP_MAX_ENCODED bytes before a delimiter */
    BP_ERR_CRC,    /* checksum mismatch */
    BP_ERR_COBS,   /* a code byte runs past the end of the packet */
    BP_ERR_TYPE,   /* unknown type */
    BP_ERR_LENGTH, /* len disagrees with the decoded size, a FRAME or plane without 32 bytes,
                    or a BRIGHTNESS without one */
    BP_ERR_ORDER,  /* a level plane out of order; the device's, the decoder never returns it */
    BP_ERR_VALUE   /* a brightness out of range; the device's, the decoder never returns it */
} bp_result;

/* Bit plane `plane` of 256 grey levels (rows from the top) as a 32-byte
 * BP_FRAME payload: an LED's bit is set when bit `plane` of its level is. */
void bp_level_plane(const uint8_t* levels, uint8_t plane, uint8_t* payload);

/* Collects the encoded bytes of one packet and decodes them in place. */
typedef struct {
    uint8_t buf[BP_MAX_ENCODED];
    uint8_t n;
    uint8_t overflow;
} bp_decoder;

void bp_decoder_init(bp_decoder* d);

/* Returns BP_NONE while collecting (and for an empty packet). On a 0x00 it
 * decodes what it has, returns BP_OK or an error class, and starts over.
 * On BP_OK *out holds the packet. On BP_ERR_TYPE and BP_ERR_LENGTH the checksum
 * held, so out->type and out->seq are those of the bad packet; on every other
 * error they are 0. */
bp_result bp_decoder_feed(bp_decoder* d, uint8_t byte, bp_packet* out);

#ifdef __cplusplus
}
#endif

#endif
