#pragma once
// The "保存配置" button of boards that answered with a whole record: writes the network group and
// port 1 back in one packed frame of the board's form. Calibrate uses it to set an image board's clock.
#include <QtCore/QObject>

namespace tavrel {

class MainWindowContext;
struct PackedWriteInput;

class PackedWriteArea : public QObject {
    Q_OBJECT
  public:
    explicit PackedWriteArea(MainWindowContext& window);

    // `setClock` asks the board to take the clock fields of its image.
    // `ask`: the write guard asks first; false when the caller has asked already.
    void save(bool setClock, bool ask = true);

  private:
    PackedWriteInput formInput() const;

    MainWindowContext& window_;
};

}  // namespace tavrel
