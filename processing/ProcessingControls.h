#pragma once

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace corvanth {

class ShapeWidget;

// The window's controls that the processing buttons and the progress tick read and write.
struct ProcessingControls {
    QWidget* window = nullptr; // its caption carries the percentage
    QLabel* lblCurFile = nullptr;
    QLabel* lblFileSize = nullptr;
    QLineEdit* txtStartPosition = nullptr;
    QLineEdit* txtInterval = nullptr;
    QPushButton* cmdProcess = nullptr;
    QPushButton* cmdPause = nullptr;
    QPushButton* cmdCancel = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblByteNum = nullptr;
    QLabel* lblPercent = nullptr;
    QLabel* lblEstimated = nullptr;
    ShapeWidget* shpProgConst = nullptr;
    ShapeWidget* shpProgress = nullptr;
    QTimer* tmrUpdates = nullptr;
};

} // namespace corvanth
