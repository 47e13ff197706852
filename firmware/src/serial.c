#include "serial.h"

#include "bridge_protocol.h"

#include <avr/interrupt.h>
#include <avr/io.h>
#include <util/atomic.h>

/* Double speed: UBRR = F_CPU / (8 * baud) - 1, exact at 16 MHz and 500000 baud. */
#define SERIAL_UBRR (F_CPU / (8UL * BP_BAUD_RATE) - 1)
#if F_CPU % (8UL * BP_BAUD_RATE) != 0
#error "the clock does not divide into the line rate"
#endif

#define RX_SIZE 128
#define TX_SIZE 128
#define RX_MASK (RX_SIZE - 1)
#define TX_MASK (TX_SIZE - 1)

static uint8_t rx_buf[RX_SIZE];
static volatile uint8_t rx_head, rx_tail;
static uint8_t tx_buf[TX_SIZE];
static volatile uint8_t tx_head, tx_tail;

void serial_init(void) {
    /* Speed and frame format before the baud registers: the rate is taken from
     * all three when UBRR0L is written. */
    UCSR0A = _BV(U2X0);
    UCSR0C = _BV(UCSZ01) | _BV(UCSZ00);
    UBRR0H = (uint8_t)(SERIAL_UBRR >> 8);
    UBRR0L = (uint8_t)SERIAL_UBRR;
    UCSR0B = _BV(RXEN0) | _BV(TXEN0) | _BV(RXCIE0);
}

/* A byte for which the ring has no room is dropped; the packet it belonged to
 * then fails its checksum and is answered with a NAK. Both handlers open the
 * interrupts again once their work is done, so that a refresh slot waits for
 * no epilogue. */
ISR(USART_RX_vect) {
    const uint8_t byte = UDR0;
    const uint8_t head = rx_head;
    const uint8_t next = (uint8_t)((head + 1) & RX_MASK);
    if (next != rx_tail) {
        rx_buf[head] = byte;
        rx_head = next;
    }
    sei();
}

ISR(USART_UDRE_vect) {
    uint8_t tail = tx_tail;
    UDR0 = tx_buf[tail];
    tail = (uint8_t)((tail + 1) & TX_MASK);
    tx_tail = tail;
    if (tail == tx_head)
        UCSR0B &= (uint8_t)~_BV(UDRIE0);
    sei();
}

int16_t serial_read(void) {
    const uint8_t tail = rx_tail;
    if (tail == rx_head)
        return -1;
    const uint8_t byte = rx_buf[tail];
    rx_tail = (uint8_t)((tail + 1) & RX_MASK);
    return byte;
}

uint8_t serial_pending(void) {
    return rx_head != rx_tail;
}

uint8_t serial_write(const uint8_t* data, uint8_t n) {
    uint8_t head = tx_head;
    const uint8_t room = (uint8_t)((tx_tail - head - 1) & TX_MASK);
    if (n > room)
        return 0;
    while (n--) {
        tx_buf[head] = *data++;
        head = (uint8_t)((head + 1) & TX_MASK);
    }
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        tx_head = head;
        UCSR0B |= _BV(UDRIE0);
    }
    return 1;
}
