#include "bridge_protocol.h"

#include <string.h>

uint16_t bp_crc16(const uint8_t* data, size_t n) {
    uint16_t crc = 0xFFFF;
    size_t i;
    for (i = 0; i < n; ++i) {
        int bit;
        crc ^= (uint16_t)((uint16_t)data[i] << 8);
        for (bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? (uint16_t)((crc << 1) ^ 0x1021) : (uint16_t)(crc << 1);
    }
    return crc;
}

static size_t raw_packet(const bp_packet* p, uint8_t* raw) {
    const size_t body = BP_HEADER_SIZE + (size_t)p->len;
    uint16_t crc;
    raw[0] = p->type;
    raw[1] = p->seq;
    raw[2] = p->len;
    memcpy(raw + BP_HEADER_SIZE, p->payload, p->len);
    crc = bp_crc16(raw, body);
    raw[body] = (uint8_t)(crc >> 8);
    raw[body + 1] = (uint8_t)(crc & 0xFF);
    return body + BP_CRC_SIZE;
}

static size_t cobs_encoded_size(size_t n) {
    return n + (n + 253) / 254 + (n == 0);
}

static size_t cobs_encode(const uint8_t* in, size_t n, uint8_t* out) {
    size_t code_at = 0, w = 1, i;
    uint8_t code = 1;
    for (i = 0; i < n; ++i) {
        if (in[i] != 0) {
            out[w++] = in[i];
            ++code;
        }
        if (in[i] == 0 || (code == 0xFF && i + 1 < n)) {
            out[code_at] = code;
            code_at = w++;
            code = 1;
        }
    }
    out[code_at] = code;
    return w;
}

size_t bp_encode(const bp_packet* p, uint8_t* out, size_t cap) {
    uint8_t raw[BP_MAX_RAW];
    size_t n, encoded;
    if (p->len > BP_MAX_PAYLOAD)
        return 0;
    n = raw_packet(p, raw);
    if (cap < cobs_encoded_size(n) + 1)
        return 0;
    encoded = cobs_encode(raw, n, out);
    out[encoded] = 0x00;
    return encoded + 1;
}

void bp_level_plane(const uint8_t* levels, uint8_t plane, uint8_t* payload) {
    uint8_t byte;
    for (byte = 0; byte < BP_FRAME_PAYLOAD; ++byte) {
        uint8_t bits = 0, k;
        for (k = 0; k < 8; ++k)
            bits = (uint8_t)(bits | ((levels[byte * 8 + k] >> plane) & 1) << k);
        payload[byte] = bits;
    }
}

void bp_decoder_init(bp_decoder* d) {
    d->n = 0;
    d->overflow = 0;
}

/* Decodes buf[0..n) over itself (the output never overtakes the input) and
 * returns the decoded size, or -1 when a code byte points past the end. */
static int cobs_decode_in_place(uint8_t* buf, size_t n) {
    size_t r = 0, w = 0;
    while (r < n) {
        const uint8_t code = buf[r++];
        uint8_t i;
        if (code == 0 || r + code - 1 > n)
            return -1;
        for (i = 1; i < code; ++i)
            buf[w++] = buf[r++];
        if (code != 0xFF && r < n)
            buf[w++] = 0;
    }
    return (int)w;
}

static int known_type(uint8_t type) {
    return (type >= BP_HELLO && type <= BP_BRIGHTNESS) || (type >= BP_READY && type <= BP_NAK);
}

static int takes_frame_payload(uint8_t type) {
    return type == BP_FRAME || (type >= BP_LEVEL_PLANE0 && type < BP_LEVEL_PLANE(BP_LEVEL_PLANES));
}

static bp_result check_packet(const uint8_t* raw, int size, bp_packet* out) {
    size_t body;
    if (size < 0)
        return BP_ERR_COBS;
    if (size < BP_HEADER_SIZE + BP_CRC_SIZE)
        return BP_ERR_SHORT;
    body = (size_t)size - BP_CRC_SIZE;
    if (bp_crc16(raw, body) != (uint16_t)((raw[body] << 8) | raw[body + 1]))
        return BP_ERR_CRC;
    out->type = raw[0];
    out->seq = raw[1];
    if (raw[2] > BP_MAX_PAYLOAD || (size_t)raw[2] != body - BP_HEADER_SIZE)
        return BP_ERR_LENGTH;
    if (!known_type(raw[0]))
        return BP_ERR_TYPE;
    if (takes_frame_payload(raw[0]) && raw[2] != BP_FRAME_PAYLOAD)
        return BP_ERR_LENGTH;
    if (raw[0] == BP_BRIGHTNESS && raw[2] != 1)
        return BP_ERR_LENGTH;
    out->len = raw[2];
    memcpy(out->payload, raw + BP_HEADER_SIZE, out->len);
    return BP_OK;
}

static bp_result finish_packet(bp_decoder* d, bp_packet* out) {
    bp_result result = BP_NONE;
    out->type = out->seq = out->len = 0;
    if (d->overflow)
        result = BP_ERR_LONG;
    else if (d->n > 0)
        result = check_packet(d->buf, cobs_decode_in_place(d->buf, d->n), out);
    bp_decoder_init(d);
    return result;
}

bp_result bp_decoder_feed(bp_decoder* d, uint8_t byte, bp_packet* out) {
    if (byte == 0x00)
        return finish_packet(d, out);
    if (d->n < sizeof d->buf)
        d->buf[d->n++] = byte;
    else
        d->overflow = 1;
    return BP_NONE;
}
