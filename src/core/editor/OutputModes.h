#pragma once

// The two switches of what the LEDs show: "LPT on" (the refresh loop sends the
// current frame to the matrix while it is on) and "Matrix off" (the on-screen
// board is blanked and takes no drawing). A toggle turns a switch on when it is
// off and off otherwise, and says what it is now.
class OutputModes {
public:
    bool lptOn() const { return lptOn_; }
    bool toggleLpt() { return lptOn_ = !lptOn_; }
    void switchLptOff() { lptOn_ = false; }

    bool matrixOff() const { return matrixOff_; }
    bool toggleMatrixOff() { return matrixOff_ = !matrixOff_; }
    void showMatrix() { matrixOff_ = false; }

private:
    bool lptOn_ = false;
    bool matrixOff_ = false;
};
