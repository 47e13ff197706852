#include "refresh.h"

#include "board.h"

#include <avr/interrupt.h>
#include <avr/io.h>
#include <string.h>
#include <util/atomic.h>

#define PASS_BYTES 64 /* per row, bottom row first: PORTD and PORTB of low, then of high */

_Static_assert(BOARD_PORTD_FOR(0) == 0 && BOARD_PORTB_FOR(0) == 0,
               "data 0 is written from the zero register");
#if REFRESH_WRITE_AT > 255 - 8
#error "the slot start is compared in the low byte of the timer"
#endif

/* Three buffers of up to four planes: the one the passes show, the one
 * waiting for the next pass and the one main fills. The interrupt swaps the
 * first two at the pass boundary that begins a cycle of the planes shown (every
 * pass boundary for an on/off frame); main trades its buffer in with
 * interrupts off. */
static uint8_t frames[3][REFRESH_PLANES][PASS_BYTES];
static uint8_t planes_in[3] = {1, 1, 1};
static volatile uint8_t front = 0, waiting = 1, back = 2;
static uint8_t plane; /* the plane the pass under way shows */
static volatile uint8_t waiting_ready, blank_request, heard, lit;

/* What the coming slot writes. A slot that opens a pass decides while it waits
 * for its start whether the board goes dark and which frame the pass shows.
 * A dimmed board ends a cycle of the planes with a slot that writes Nulreg
 * only, then dark slots that write nothing. */
enum { SLOT_ROW, SLOT_PASS, SLOT_FIRST_PASS, SLOT_DARK_START, SLOT_DARK };
static volatile uint8_t slot_plan;
static const uint8_t* volatile next_row;
static uint8_t row_index;      /* row of the coming slot, 0 = the bottom row */
static uint16_t silent_passes; /* or full cycles of the planes of a level frame */
/* No valid packet for REFRESH_SILENT_PASSES passes (on/off) or
 * REFRESH_SILENT_LEVEL_CYCLES cycles of planes (levels). Main clears it after
 * setting heard, so that a pass ending in between cannot set it again. */
static volatile uint8_t silent;

/* Per kind of frame (0: on/off, 1: levels): the dark slots after a pass or a
 * cycle of planes, and the passes or cycles in 2 s of silence; per kind and
 * plane, the length of a row slot less one (OCR1A) and, for a row lit
 * shorter than a slot can be, the turns of the loop it is lit through before
 * it is darkened in its own slot (0: lit to the next slot). Main sets them
 * with interrupts off. */
static uint16_t dark_slots[2];
static uint16_t silent_limit[2] = {REFRESH_SILENT_PASSES, REFRESH_SILENT_LEVEL_CYCLES};
static uint16_t slot_top[2][REFRESH_PLANES] = {
    {REFRESH_SLOT_CYCLES - 1, REFRESH_SLOT_CYCLES - 1, REFRESH_SLOT_CYCLES - 1,
     REFRESH_SLOT_CYCLES - 1},
    {REFRESH_LEVEL_SLOT(0) - 1, REFRESH_LEVEL_SLOT(1) - 1, REFRESH_LEVEL_SLOT(2) - 1,
     REFRESH_LEVEL_SLOT(3) - 1}};
static uint8_t spin_turns[2][REFRESH_PLANES];
/* spin_turns of the pass under way, and of the next, found after the writes of
 * a pass's last row so that the slot opening a pass has no more to do before
 * its writes. */
static uint8_t row_spin, next_spin;
static uint16_t dark_left; /* dark slots still to come before the next pass */

/* A slot waits for the timer to reach REFRESH_WRITE_AT, then evens out the
 * 0..4 cycles by which the polling loop overshoots: with d = count -
 * REFRESH_WRITE_AT, subi and the three skips after it take 16 - d cycles. The
 * writes after it thus fall on the same cycle of every slot, however late the
 * interrupt came in. */
#define ASM_SETTLE                                                                                 \
    "1: lds %[t], %[tcnt]\n\t"                                                                     \
    "cpi %[t], %[at]\n\t"                                                                          \
    "brlo 1b\n\t"                                                                                  \
    "subi %[t], %[at]\n\t"                                                                         \
    "sbrs %[t], 0\n\t"                                                                             \
    "rjmp .+0\n\t"                                                                                 \
    "sbrc %[t], 1\n\t"                                                                             \
    "rjmp 2f\n\t"                                                                                  \
    "rjmp .+0\n\t"                                                                                 \
    "nop\n\t"                                                                                      \
    "2: sbrc %[t], 2\n\t"                                                                          \
    "rjmp 3f\n\t"                                                                                  \
    "rjmp .+0\n\t"                                                                                 \
    "rjmp .+0\n\t"                                                                                 \
    "nop\n\t"                                                                                      \
    "3:\n\t"

#define ASM_CONTROL(level) "out %[pc], %[" level "]\n\t"
#define ASM_DATA(d, b) "out %[pd], %[" d "]\n\tout %[pb], %[" b "]\n\t"
#define ASM_DATA0 "out %[pd], __zero_reg__\n\tout %[pb], __zero_reg__\n\t"
#define ASM_NULREG ASM_CONTROL("c2") ASM_DATA0 ASM_CONTROL("c1") ASM_DATA0
/* The thirteen writes of a row but the closing data 0, which the next slot
 * writes once the hold is over. */
#define ASM_ROW                                                                                    \
    ASM_NULREG ASM_CONTROL("c251") ASM_CONTROL("c3") ASM_DATA("ld", "lb") ASM_CONTROL("c2")        \
        ASM_CONTROL("c3") ASM_DATA("hd", "hb") ASM_CONTROL("c1") ASM_CONTROL("c3")

/* After a row's writes, unless n is 0: lit for 3 * n cycles more, then data 0
 * and Nulreg darken it in its own slot. */
#define ASM_SPIN_DARK                                                                              \
    "tst %[n]\n\t"                                                                                 \
    "breq 5f\n\t"                                                                                  \
    "mov %[t], %[n]\n\t"                                                                           \
    "4: dec %[t]\n\t"                                                                              \
    "brne 4b\n\t" ASM_DATA0 ASM_NULREG "5:\n\t"

#define ASM_PORTS                                                                                  \
    [pc] "I"(_SFR_IO_ADDR(PORTC)), [pd] "I"(_SFR_IO_ADDR(PORTD)), [pb] "I"(_SFR_IO_ADDR(PORTB)),   \
        [tcnt] "n"(_SFR_MEM_ADDR(TCNT1L)), [at] "M"(REFRESH_WRITE_AT),                             \
        [c1] "r"(BOARD_PORTC_FOR(1)), [c2] "r"(BOARD_PORTC_FOR(2))
#define ASM_ROW_OPERANDS(spin)                                                                     \
    ASM_PORTS, [c3] "r"(BOARD_PORTC_FOR(3)), [c251] "r"(BOARD_PORTC_FOR(CONTROL_ROW_CLOCK)),       \
        [ld] "r"(row[0]), [lb] "r"(row[1]), [hd] "r"(row[2]), [hb] "r"(row[3]), [n] "r"(spin)

void refresh_init(void) {
    OCR1A = REFRESH_SLOT_CYCLES - 1;
    TCCR1A = 0;
    TCCR1B = _BV(WGM12) | _BV(CS10); /* CTC on OCR1A, no prescaler */
    TIMSK1 = 0;
}

uint8_t* refresh_back(uint8_t plane_index) {
    return frames[back][plane_index];
}

void refresh_pack(uint8_t* pass, const uint8_t* payload) {
    uint8_t slot;
    for (slot = 0; slot < 16; ++slot) {
        const uint8_t* row = payload + 2 * (15 - slot);
        *pass++ = BOARD_PORTD_FOR(row[0]);
        *pass++ = BOARD_PORTB_FOR(row[0]);
        *pass++ = BOARD_PORTD_FOR(row[1]);
        *pass++ = BOARD_PORTB_FOR(row[1]);
    }
}

void refresh_show(uint8_t planes) {
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        const uint8_t filled = back;
        planes_in[filled] = planes;
        if (lit) {
            back = waiting;
            waiting = filled;
            waiting_ready = 1;
        } else {
            back = front;
            front = filled;
            waiting_ready = 0;
            next_row = frames[filled][0];
            plane = 0;
            row_spin = spin_turns[planes > 1][0];
            slot_plan = SLOT_FIRST_PASS;
            row_index = 0;
            TIFR1 = _BV(OCF1A);
            TIMSK1 = _BV(OCIE1A);
            lit = 1;
        }
        blank_request = 0;
        heard = 1;
        silent = 0;
    }
}

void refresh_blank(void) {
    blank_request = 1;
}

/* A row lit `lit` cycles: in a slot that long and REFRESH_ROW_DARK more, or,
 * when that is shorter than the shortest slot, through a loop in a slot long
 * enough for the interrupt's own work. Returns the slot's length. */
static uint16_t dim_row(uint32_t lit, uint16_t* top, uint8_t* turns) {
    uint32_t n;
    if (lit + REFRESH_ROW_DARK >= REFRESH_SHORTEST_SLOT) {
        *top = (uint16_t)(lit + REFRESH_ROW_DARK - 1);
        *turns = 0;
        return (uint16_t)(lit + REFRESH_ROW_DARK);
    }
    n = lit > REFRESH_SPIN_LIT ? (lit - REFRESH_SPIN_LIT + 1) / 3 + 1 : 1;
    *turns = (uint8_t)n;
    *top = (uint16_t)((REFRESH_SPIN_SLOT + 3 * n > REFRESH_SHORTEST_SLOT ? REFRESH_SPIN_SLOT + 3 * n
                                                                         : REFRESH_SHORTEST_SLOT) -
                      1);
    return (uint16_t)(*top + 1);
}

/* Every row of `kind` (0: on/off, 1: levels) lit `percent` of its time at full
 * brightness; the dark slots that keep the cycle as long as at full
 * brightness, which is thus `full` cycles. */
static uint16_t dim_kind(uint8_t kind, uint8_t percent, uint32_t full, uint16_t* top,
                         uint8_t* turns) {
    uint32_t shown = 0;
    uint8_t p;
    const uint8_t planes = kind ? REFRESH_PLANES : 1;
    for (p = 0; p < planes; ++p) {
        const uint32_t full_lit =
            kind ? (uint32_t)REFRESH_LEVEL_UNIT << p : REFRESH_SLOT_CYCLES - REFRESH_ROW_DARK;
        const uint32_t lit =
            (full_lit * percent + REFRESH_BRIGHTNESS_FULL / 2) / REFRESH_BRIGHTNESS_FULL;
        if (percent >= REFRESH_BRIGHTNESS_FULL) {
            top[p] = (uint16_t)(full_lit + REFRESH_ROW_DARK - 1);
            turns[p] = 0;
            shown += 16ul * (full_lit + REFRESH_ROW_DARK);
        } else {
            shown += 16ul * dim_row(lit, &top[p], &turns[p]);
        }
    }
    for (; p < REFRESH_PLANES; ++p) {
        top[p] = top[0];
        turns[p] = turns[0];
    }
    return shown >= full
               ? 0
               : (uint16_t)((full - shown + REFRESH_SLOT_CYCLES / 2) / REFRESH_SLOT_CYCLES);
}

static uint16_t silent_limit_for(uint32_t shown, uint16_t dark) {
    const uint32_t cycle = shown + (uint32_t)dark * REFRESH_SLOT_CYCLES;
    return (uint16_t)((2ul * F_CPU + cycle - 1) / cycle);
}

void refresh_brightness(uint8_t percent) {
    uint16_t top[2][REFRESH_PLANES];
    uint8_t turns[2][REFRESH_PLANES];
    const uint16_t dark_pass = dim_kind(0, percent, REFRESH_PASS_CYCLES, top[0], turns[0]);
    const uint16_t dark_levels = dim_kind(1, percent, REFRESH_LEVEL_CYCLES, top[1], turns[1]);
    const uint16_t limit_pass = silent_limit_for(REFRESH_PASS_CYCLES, 0);
    const uint16_t limit_levels = silent_limit_for(REFRESH_LEVEL_CYCLES, 0);
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE) {
        dark_slots[0] = dark_pass;
        dark_slots[1] = dark_levels;
        silent_limit[0] = limit_pass;
        silent_limit[1] = limit_levels;
        memcpy(slot_top, top, sizeof slot_top);
        memcpy(spin_turns, turns, sizeof spin_turns);
    }
}

void refresh_heard(void) {
    heard = 1;
    silent = 0;
}

/* After the writes of a pass's first slot: the slots of this pass get their
 * plane's length (the timer is still far below it), and once a cycle of planes
 * the cycles since the last valid packet are counted. */
static void start_plane(void) {
    const uint8_t levels = planes_in[front] > 1;
    const uint16_t limit = silent_limit[levels];
    OCR1A = slot_top[levels][plane];
    if (plane != 0)
        return;
    if (heard) {
        heard = 0;
        silent_passes = 0;
    } else if (silent_passes < limit) {
        ++silent_passes;
    }
    silent = silent_passes >= limit;
}

/* At a pass boundary where a cycle of the planes begins: the frame waiting, if
 * any, becomes the one shown. */
static inline __attribute__((always_inline)) void take_waiting(void) {
    if (waiting_ready) {
        const uint8_t shown = front;
        front = waiting;
        waiting = shown;
        waiting_ready = 0;
    }
}

/* The dark time's work stays out of the interrupt's body, so that the
 * registers it needs are not saved before every row's writes. */
#define OUT_OF_LINE __attribute__((noinline))

/* After the writes of a pass's last row: how the coming pass boundary opens,
 * with a dark time when a cycle of the planes ends and the board is dimmed. */
static OUT_OF_LINE uint8_t pass_plan(void) {
    const uint8_t planes = planes_in[front];
    if ((uint8_t)(plane + 1) < planes)
        next_spin = spin_turns[planes > 1][plane + 1];
    else
        next_spin = spin_turns[planes_in[waiting_ready ? waiting : front] > 1][0];
    if ((uint8_t)(plane + 1) >= planes && dark_slots[planes > 1])
        return SLOT_DARK_START;
    return SLOT_PASS;
}

/* After the Nulreg that closes a cycle of the planes: the board stays dark
 * for the dark slots, then opens a pass of plane 0 of the newest frame as
 * after a dark board. */
static OUT_OF_LINE void start_dark(void) {
    uint16_t dark;
    if (blank_request || silent) {
        TIMSK1 = 0;
        lit = 0;
        blank_request = 0;
        return;
    }
    OCR1A = REFRESH_SLOT_CYCLES - 1;
    plane = 0;
    row_index = 0;
    take_waiting();
    next_row = frames[front][0];
    row_spin = spin_turns[planes_in[front] > 1][0];
    dark = dark_slots[planes_in[front] > 1]; /* 0 if main has just set 100 % */
    dark_left = dark > 1 ? (uint16_t)(dark - 1) : 0;
    slot_plan = dark_left ? SLOT_DARK : SLOT_FIRST_PASS;
}

static OUT_OF_LINE void dark_slot(void) {
    if (blank_request || silent) {
        TIMSK1 = 0;
        lit = 0;
        blank_request = 0;
        return;
    }
    if (--dark_left == 0) {
        take_waiting();
        next_row = frames[front][0];
        row_spin = spin_turns[planes_in[front] > 1][0];
        slot_plan = SLOT_FIRST_PASS;
    }
}

ISR(TIMER1_COMPA_vect) {
    uint8_t t;
    const uint8_t* row = next_row;
    const uint8_t plan = slot_plan;
    if (plan == SLOT_ROW) {
        __asm__ __volatile__(ASM_SETTLE ASM_DATA0 ASM_ROW ASM_SPIN_DARK
                             : [t] "=&d"(t)
                             : ASM_ROW_OPERANDS(row_spin));
    } else if (plan == SLOT_FIRST_PASS) {
        __asm__ __volatile__(ASM_SETTLE ASM_NULREG ASM_ROW ASM_SPIN_DARK
                             : [t] "=&d"(t)
                             : ASM_ROW_OPERANDS(row_spin));
    } else if (plan == SLOT_PASS) {
        if (blank_request || silent) {
            /* The closing Nulreg after the last pass. */
            __asm__ __volatile__(ASM_SETTLE ASM_DATA0 ASM_NULREG : [t] "=&d"(t) : ASM_PORTS);
            TIMSK1 = 0;
            lit = 0;
            blank_request = 0;
            return;
        }
        /* A new frame only where a cycle of the planes begins. */
        uint8_t next_plane = (uint8_t)(plane + 1);
        if (next_plane >= planes_in[front]) {
            next_plane = 0;
            take_waiting();
        }
        plane = next_plane;
        row = frames[front][next_plane];
        __asm__ __volatile__(ASM_SETTLE ASM_DATA0 ASM_NULREG ASM_ROW ASM_SPIN_DARK
                             : [t] "=&d"(t)
                             : ASM_ROW_OPERANDS(next_spin));
        row_spin = next_spin;
    } else if (plan == SLOT_DARK) {
        dark_slot();
        return;
    } else if (plan == SLOT_DARK_START) {
        __asm__ __volatile__(ASM_SETTLE ASM_DATA0 ASM_NULREG : [t] "=&d"(t) : ASM_PORTS);
        start_dark();
        return;
    }
    row_index = (uint8_t)((row_index + 1) & 15);
    next_row = row + 4;
    slot_plan = row_index ? SLOT_ROW : pass_plan();
    if (plan != SLOT_ROW)
        start_plane();
}
