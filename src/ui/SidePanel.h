#pragma once

#include "frames/ToolStroke.h"

#include <QKeySequence>
#include <QWidget>
#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLayout;
class QLabel;
class QSpinBox;
class QToolButton;
class QVBoxLayout;

// The panel beside the board that opens from the handle at the window's right
// edge: the drawing tools, text, the onion skin and the frame strip, and under
// them the output the frames go to.
class SidePanel final : public QWidget {
    Q_OBJECT
public:
    static constexpr int Width = 304;

    struct ToolEntry {
        Tool tool;
        const char* name;
        QKeySequence key;
        const char* what;
    };
    static const std::array<ToolEntry, 9>& tools();

    explicit SidePanel(QWidget* parent = nullptr);

    Tool tool() const { return tool_; }
    void chooseTool(Tool tool);
    bool showsPrevious() const;
    bool showsNext() const;
    void setOnionSkin(bool previous, bool next);
    // Mirror and Pixel-perfect, kept in the settings: what the tools draw with
    // besides the shape.
    StrokeOptions strokeOptions() const;
    static const std::array<const char*, 4>& mirrorNames(); // in the order of Symmetry
    void cycleMirror();
    // Where the mirror's axes run (the board's middle at first), kept in the settings.
    MirrorAxes mirrorAxes() const { return axes_; }
    void setMirrorAxes(MirrorAxes axes);
    void togglePixelPerfect();
    QComboBox* mirrorBox() const { return mirror_; }
    QCheckBox* pixelPerfectBox() const { return pixelPerfect_; }
    // "Apply to chosen frames": the editing reaches every frame chosen in the
    // strip. Not kept: each start draws on one frame.
    bool appliesToChosen() const;
    void toggleApplyToChosen();
    QCheckBox* applyToChosenBox() const { return applyToChosen_; }
    // How many images a change reaches, in the frames' title while that is on.
    void showTargetCount(int images);
    // The frame strip, made by the window.
    void setStrip(QWidget* strip);
    QToolButton* toolButton(Tool tool) const;
    QToolButton* textButton() const { return text_; }
    // A button for `action` under Text…, named by it.
    QToolButton* addCommand(QAction* action);
    // "Output: /dev/parport0, on": the output by its --port name (none given: its
    // state alone) and whether "LPT on" runs.
    void showOutput(const QString& name, bool on);
    QLabel* outputLabel() const { return output_; }
    // The output's brightness, 5 ... 100 %; set here without brightnessChanged.
    // Off, with `why` in its tooltip, for an output whose brightness is set elsewhere.
    void showBrightness(int percent);
    int brightness() const;
    void offerBrightness(bool offered, const QString& why = {});
    QSpinBox* brightnessBox() const { return brightness_; }
    // How many grey levels the board shows, 8 or 16, with what each costs in
    // its tooltip; set here without matrixLevelsChanged. Off, with `why` in
    // its tooltip, for an output that shows its own levels.
    void showMatrixLevels(int levels);
    int matrixLevels() const;
    void offerMatrixLevels(bool offered, const QString& why = {});
    QComboBox* matrixLevelsBox() const { return matrixLevels_; }

    // The level the tools draw with, 0 (dark) to 15 (full light); set here
    // without levelChosen.
    void showLevel(int level);
    int level() const;
    QSpinBox* levelBox() const { return level_; }
    // How the animation plays, in the order of PlayModeNames; set here without
    // playModeChosen.
    static const std::array<const char*, 3>& playModeNames();
    void showPlayMode(int mode);
    QComboBox* playModeBox() const { return playMode_; }

signals:
    void toolChosen(Tool tool);
    void levelChosen(int level);
    void playModeChosen(int mode);
    void textRequested();
    void onionSkinChanged();
    void brightnessChanged(int percent);
    void matrixLevelsChanged(int levels);
    void applyToChosenChanged(bool on);
    // Mirror's choice or its axes changed.
    void mirrorChanged();

private:
    QGroupBox* createTools();
    void addStrokeOptions(QVBoxLayout* column);
    QCheckBox* createApplyToChosen();
    QLayout* createBrightness();
    QComboBox* createMatrixLevels();
    QLayout* createLevelAndPlayMode();

    Tool tool_ = Tool::Toggle;
    QButtonGroup* toolGroup_ = nullptr;
    QToolButton* text_ = nullptr;
    QVBoxLayout* toolColumn_ = nullptr;
    QCheckBox* previous_ = nullptr;
    QCheckBox* next_ = nullptr;
    QComboBox* mirror_ = nullptr;
    QCheckBox* pixelPerfect_ = nullptr;
    QCheckBox* applyToChosen_ = nullptr;
    QGroupBox* framesBox_ = nullptr;
    MirrorAxes axes_;
    QVBoxLayout* stripLayout_ = nullptr;
    QLabel* output_ = nullptr;
    QSpinBox* brightness_ = nullptr;
    QComboBox* matrixLevels_ = nullptr;
    QSpinBox* level_ = nullptr;
    QComboBox* playMode_ = nullptr;
};
