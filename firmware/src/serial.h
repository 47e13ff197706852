/* The USB serial line: 500000 baud 8N1, both directions interrupt-driven
 * through ring buffers, so the refresh never makes the receiver lose a byte. */
#ifndef QUENTARO_BRIDGE_SERIAL_H
#define QUENTARO_BRIDGE_SERIAL_H

#include <stdint.h>

void serial_init(void);

/* The next received byte, or -1 when none is waiting. */
int16_t serial_read(void);

/* Nonzero while received bytes wait. Call with interrupts off to decide on
 * sleeping without missing a byte that arrives meanwhile. */
uint8_t serial_pending(void);

/* Queues all n bytes, or none of them when there is no room: a reply never
 * goes out cut short. Returns nonzero when queued. */
uint8_t serial_write(const uint8_t* data, uint8_t n);

#endif
