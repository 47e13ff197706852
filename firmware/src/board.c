#include "board.h"

#include <util/delay.h>

void board_init(void) {
    /* Levels first, directions after: the pins switch from input straight to
     * their idle level without a glitch through low. */
    PORTD = BOARD_PORTD_FOR(0);
    PORTB = BOARD_PORTB_FOR(0);
    PORTC = BOARD_PORTC_FOR(1);
    DDRD = BOARD_DATA_PORTD_MASK;
    DDRB = 0x3F;
    DDRC = 0x3F;
}

void board_startup(void) {
    uint8_t pulse;
    board_write_control(CONTROL_INIT_PULSE);
    _delay_us(500);
    board_write_control(0);
    for (pulse = 0; pulse < 15; ++pulse) {
        board_write_control(CONTROL_ROW_CLOCK);
        _delay_us(50);
        board_write_control(0);
        _delay_us(50);
    }
}

void board_nulreg(void) {
    board_write_control(2);
    board_write_data(0);
    board_write_control(1);
    board_write_data(0);
}
