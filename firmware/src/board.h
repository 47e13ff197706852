/* Where the matrix connector hangs on the ATmega328P, and the port primitives
 * the PC's parallel port offers: a write of its data register and a write of
 * its control register, each turned into the connector levels the port would
 * put out.
 *
 *   connector pin   signal            AVR pin  Arduino pin
 *   2..3            D0..D1            PB0..PB1 D8..D9
 *   4..9            D2..D7            PD2..PD7 D2..D7
 *   1               Strobe            PC0      A0
 *   14              Auto Feed         PC1      A1
 *   16              Init              PC2      A2
 *   17              Select In         PC3      A3
 *   18..25          ground            GND      GND
 *
 * Data bit k sits in bit k of its AVR port, so a data byte goes out as two
 * masked writes with no shifting (PD0/PD1 belong to the UART). No control edge
 * falls between those two writes, so the board, which samples the data lines
 * only on control edges, cannot tell them from one. The four control lines share
 * PORTC and always change in one write. PB2..PB5 and PC4..PC5 are unused and
 * driven low. */
#ifndef QUENTARO_BRIDGE_BOARD_H
#define QUENTARO_BRIDGE_BOARD_H

#include <avr/io.h>
#include <stdint.h>

#define BOARD_DATA_PORTD_MASK 0xFC /* D2..D7 on PD2..PD7 */
#define BOARD_DATA_PORTB_MASK 0x03 /* D0..D1 on PB0..PB1 */

/* PORTD and PORTB values for one data byte. */
#define BOARD_PORTD_FOR(data) ((uint8_t)((data)&BOARD_DATA_PORTD_MASK))
#define BOARD_PORTB_FOR(data) ((uint8_t)((data)&BOARD_DATA_PORTB_MASK))

/* PORTC value for one control register value. The port inverts bits 0, 1 and 3
 * (Strobe, Auto Feed, Select In) at the connector and not bit 2 (Init); bits 4
 * to 7 drive no pin. */
#define BOARD_CONTROL_INVERTED 0x0B
#define BOARD_PORTC_FOR(control) ((uint8_t)(((control) ^ BOARD_CONTROL_INVERTED) & 0x0F))

/* The control values the PC writes. */
#define CONTROL_INIT_PULSE 247 /* Init high, the other three low */
#define CONTROL_ROW_CLOCK 251  /* all four low */

static inline void board_write_data(uint8_t value) {
    PORTD = BOARD_PORTD_FOR(value);
    PORTB = BOARD_PORTB_FOR(value);
}

static inline void board_write_control(uint8_t value) {
    PORTC = BOARD_PORTC_FOR(value);
}

/* Drives every connector line, starting from the idle levels the port has
 * after Nulreg: data 0, control 1. */
void board_init(void);

/* The port start-up sequence with the PC's pauses: control 247, 500 us,
 * control 0, then fifteen times control 251, 50 us, control 0, 50 us. */
void board_startup(void);

/* Control 2, data 0, control 1, data 0. */
void board_nulreg(void);

#endif
