/* Multiplexing the board from the last complete frame, the way the PC's
 * refresh loop does it: per pass one Nulreg, then sixteen rows from the bottom
 * up, each with the thirteen writes of the PC, the row's data held on the lines
 * by Timer1 before the closing data 0.
 *
 * Timer1 runs in CTC mode with a period of one row slot. Every compare match
 * starts a slot; the slot's writes start at a fixed count of the timer whatever
 * delayed the interrupt, so every row is held exactly as long as the next. */
#ifndef QUENTARO_BRIDGE_REFRESH_H
#define QUENTARO_BRIDGE_REFRESH_H

#include <stdint.h>

/* One row slot: the row pause of 40 us (640 cycles) between a row's last
 * control write and its closing data 0, plus the writes of the slot that opens
 * a pass (data 0, Nulreg, twelve writes of the row: 24 cycles). */
#define REFRESH_SLOT_CYCLES 664u
/* Timer count at which a slot's writes start. Before it the interrupt may be
 * held up by a UART handler up to its sei or by a section of main with
 * interrupts off (50 cycles at most; the timer's vector comes before the
 * UART's, so not both), then needs 7 cycles to enter, 30 to save registers and
 * up to 70 to decide the pass and load the row: about 160 cycles at worst. */
#define REFRESH_WRITE_AT 180u
#define REFRESH_PASS_CYCLES (16ul * REFRESH_SLOT_CYCLES)
/* Passes without a valid packet after which the board goes dark: 2 s. */
#define REFRESH_SILENT_PASSES ((2ul * F_CPU + REFRESH_PASS_CYCLES - 1) / REFRESH_PASS_CYCLES)

/* Timer1 counting, the refresh off and the board as Nulreg left it. */
void refresh_init(void);

/* The buffer a new frame is packed into; no pass reads it. */
uint8_t* refresh_back(void);

/* Packs a FRAME payload (rows from the top, left half then right half) into
 * the port values of a pass (bottom row first). */
void refresh_pack(uint8_t* pass, const uint8_t* payload);

/* Shows the back buffer from the next pass on, lighting a dark board. */
void refresh_show(void);

/* Finishes the pass under way, writes Nulreg and stops. */
void refresh_blank(void);

/* A valid packet arrived: restarts the count towards going dark. */
void refresh_heard(void);

#endif
