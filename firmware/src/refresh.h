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

/* Grey levels by binary code modulation: a frame of levels is four bit planes,
 * each shown as a pass of its own whose rows stay lit REFRESH_LEVEL_UNIT cycles
 * times the plane's weight 1, 2, 4 or 8. A row is dark for REFRESH_ROW_DARK
 * cycles of its slot (from the next slot's first latch edge to its own last),
 * so a slot of plane k is that plus the lit time: the lit time of level L is
 * exactly L units. The four passes take 16 * (4 * 13 + 15 * 352) cycles, about
 * 187 full cycles per second. */
#define REFRESH_PLANES 4
#define REFRESH_LEVEL_UNIT 352u
#define REFRESH_ROW_DARK 13u
#define REFRESH_LEVEL_SLOT(plane) (REFRESH_ROW_DARK + (REFRESH_LEVEL_UNIT << (plane)))
#define REFRESH_LEVEL_CYCLES                                                                       \
    (16ul * (REFRESH_PLANES * REFRESH_ROW_DARK + 15ul * REFRESH_LEVEL_UNIT))
/* Full level cycles without a valid packet after which the board goes dark: 2 s. */
#define REFRESH_SILENT_LEVEL_CYCLES                                                                \
    ((2ul * F_CPU + REFRESH_LEVEL_CYCLES - 1) / REFRESH_LEVEL_CYCLES)

/* Dimming: every row is lit the brightness in percent of its lit time at full
 * brightness. A row lit at least REFRESH_SHORTEST_SLOT less REFRESH_ROW_DARK
 * cycles gets a slot that much shorter; one lit less (plane 0 below 100 %, at
 * 5 % every plane) is lit through a loop of 3 cycles a turn after its writes,
 * REFRESH_SPIN_LIT cycles with one turn, then darkened by data 0 and Nulreg in
 * its own slot, which is long enough for the interrupt's work. After each pass
 * of an on/off frame, and after each full cycle of the planes of a level
 * frame, the board stays dark (Nulreg) for as many dark slots of
 * REFRESH_SLOT_CYCLES as make the cycle as long as at full brightness, so the
 * rate stays: about 1500 passes and 187 cycles of planes a second. At 100 %
 * there is no dark time and the timing is that of an undimmed board. */
#define REFRESH_BRIGHTNESS_FULL 100u
#define REFRESH_SHORTEST_SLOT REFRESH_LEVEL_SLOT(0)
#define REFRESH_SPIN_LIT 10u
#define REFRESH_SPIN_SLOT 300u

/* Timer1 counting, the refresh off and the board as Nulreg left it. */
void refresh_init(void);

/* Plane `plane` of the buffer a new frame is packed into; no pass reads it. */
uint8_t* refresh_back(uint8_t plane);

/* Packs a FRAME payload (rows from the top, left half then right half) into
 * the port values of a pass (bottom row first). */
void refresh_pack(uint8_t* pass, const uint8_t* payload);

/* Shows planes 0 .. planes - 1 of the back buffer (1: an on/off frame,
 * REFRESH_PLANES: levels) from the next pass that begins a cycle of the planes
 * shown so far, lighting a dark board. */
void refresh_show(uint8_t planes);

/* Finishes the pass under way, writes Nulreg and stops. */
void refresh_blank(void);

/* Sets the brightness in percent, 1..100; the next pass or cycle of planes
 * that begins takes it. */
void refresh_brightness(uint8_t percent);

/* A valid packet arrived: restarts the count towards going dark. */
void refresh_heard(void);

#endif
