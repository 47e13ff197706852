/* The USB bridge: takes frames over the serial line and multiplexes them onto
 * the LED matrix with the same pin sequence the PC's parallel port produces. */
#include "board.h"
#include "bridge_protocol.h"
#include "refresh.h"
#include "serial.h"

#include <avr/interrupt.h>
#include <avr/sleep.h>

#define FIRMWARE_MAJOR 1
#define FIRMWARE_MINOR 2
#define MATRIX_SIDE 16

static void reply(uint8_t type, uint8_t seq, const uint8_t* payload, uint8_t len) {
    bp_packet p;
    uint8_t wire[BP_MAX_ENCODED];
    uint8_t i;
    p.type = type;
    p.seq = seq;
    p.len = len;
    for (i = 0; i < len; ++i)
        p.payload[i] = payload[i];
    /* With the line full the reply is dropped whole; the host times out. */
    serial_write(wire, (uint8_t)bp_encode(&p, wire, sizeof wire));
}

_Static_assert(BP_LEVEL_PLANES == REFRESH_PLANES, "a level frame is the planes a cycle shows");

/* Planes 0 .. n - 1 of a level frame have come in order since the last frame. */
static uint8_t planes_taken;

/* Returns nonzero when the plane is taken; a plane out of order drops the
 * level frame under way. */
static uint8_t take_plane(const bp_packet* p) {
    const uint8_t plane = (uint8_t)(p->type - BP_LEVEL_PLANE0);
    if (plane != 0 && plane != planes_taken) {
        planes_taken = 0;
        return 0;
    }
    refresh_pack(refresh_back(plane), p->payload);
    planes_taken = (uint8_t)(plane + 1);
    if (planes_taken == BP_LEVEL_PLANES) {
        planes_taken = 0;
        refresh_show(BP_LEVEL_PLANES);
    } else {
        refresh_heard();
    }
    return 1;
}

static void handle(const bp_packet* p) {
    static const uint8_t ident[BP_IDENT_PAYLOAD] = {BP_PROTOCOL_VERSION, FIRMWARE_MAJOR,
                                                    FIRMWARE_MINOR, MATRIX_SIDE, MATRIX_SIDE};
    uint8_t reason = BP_ERR_TYPE;
    switch (p->type) {
    case BP_HELLO: /* a new session: full light until the host says otherwise */
        refresh_heard();
        refresh_brightness(BP_BRIGHTNESS_MAX);
        reply(BP_IDENT, p->seq, ident, sizeof ident);
        return;
    case BP_FRAME:
        planes_taken = 0;
        refresh_pack(refresh_back(0), p->payload);
        refresh_show(1);
        break;
    case BP_LEVEL_PLANE(0):
    case BP_LEVEL_PLANE(1):
    case BP_LEVEL_PLANE(2):
    case BP_LEVEL_PLANE(3):
        if (take_plane(p))
            break;
        reason = BP_ERR_ORDER;
        reply(BP_NAK, p->seq, &reason, 1);
        return;
    case BP_BLANK:
        planes_taken = 0;
        refresh_blank();
        break;
    case BP_PING:
        refresh_heard();
        break;
    case BP_BRIGHTNESS:
        refresh_heard();
        if (p->payload[0] < BP_BRIGHTNESS_MIN || p->payload[0] > BP_BRIGHTNESS_MAX) {
            reason = BP_ERR_VALUE;
            reply(BP_NAK, p->seq, &reason, 1);
            return;
        }
        refresh_brightness(p->payload[0]);
        break;
    default: /* a type only the device sends */
        reply(BP_NAK, p->seq, &reason, 1);
        return;
    }
    reply(BP_ACK, p->seq, 0, 0);
}

int main(void) {
    static bp_decoder decoder;
    static bp_packet packet;
    const uint8_t version = BP_PROTOCOL_VERSION;

    board_init();
    board_startup();
    board_nulreg();
    refresh_init();
    serial_init();
    bp_decoder_init(&decoder);
    set_sleep_mode(SLEEP_MODE_IDLE);
    sei();
    reply(BP_READY, 0, &version, 1);

    for (;;) {
        const int16_t byte = serial_read();
        if (byte >= 0) {
            const bp_result result = bp_decoder_feed(&decoder, (uint8_t)byte, &packet);
            if (result == BP_OK) {
                handle(&packet);
            } else if (result != BP_NONE) {
                const uint8_t reason = (uint8_t)result;
                reply(BP_NAK, packet.seq, &reason, 1);
            }
            continue;
        }
        cli();
        if (!serial_pending()) {
            sleep_enable();
            sei(); /* takes effect after the sleep instruction: no wake-up is lost */
            sleep_cpu();
            sleep_disable();
        }
        sei();
    }
}
