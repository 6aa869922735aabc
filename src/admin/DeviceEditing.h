#pragma once

#include "devices/DeviceTreeModel.h"

#include <QString>

#include <cstdint>

namespace strovik {

class DeviceTree;

// What the device editor's manual page collects when OK is pressed.
struct EditorValues {
    QString name;     // as typed
    QString address;  // completed (CompleteEditorAddress)
    std::uint16_t port = kDefaultDevicePort;
    QString userName;  // as typed
    QString password;  // as typed
    int channelCount = 1;
    std::uint8_t deviceType = DeviceType::NetworkCamera;
    NetworkCamera camera;  // a camera of another make: ONVIF, or the RTSP address of its stream
};

// Why the editor refuses to take its values; the dialog stays open.
enum class EditorRefusal { None, EmptyAddress, BadSectionName, TooLong, BadRtspAddress, NameTaken };

// An address without a "." gets "." and domain behind it; any other address is kept.
QString CompleteEditorAddress(const QString& address, const QString& domain);

// Whether name, blanks trimmed, can be a section of the device list file: no "]", no "[" at its
// start, no line break. The file would otherwise read back another device or none.
bool IsUsableSectionName(const QString& name);

// The editor's checks, in the order the operator meets them. An RTSP camera needs an rtsp://
// address for its stream. The record fields are fixed-width:
// a text that does not fit is refused rather than cut, so that what is saved is what was typed.
EditorRefusal CheckEditorValues(const EditorValues& values);

// Add mode: a new device with its channels, unless a device of that name (blanks trimmed) exists.
// False when nothing was added.
bool AddEditedDevice(DeviceTree& tree, const EditorValues& values,
                     std::int32_t searchState = SearchState::AddedByHand);

// Modify mode: whether the new name belongs to another device (in the letter case the device list
// file ignores). Two devices of one name would share one section of the file, and a save would
// lose one of them.
bool RenameTakesAnotherName(const DeviceTree& tree, const DeviceNode& edited, const QString& newName);

// Modify mode on the device node `node`: every device of its old name and every channel record of
// its old address take the new values; the node shows the new name and exactly
// values.channelCount channels that exist only in the tree.
void ModifyDevice(DeviceTree& tree, DeviceTreeModel::TreeNode& node, const EditorValues& values);

// The fields a picked device type fills in add mode.
struct TypeDefaults {
    QString channelCount;
    QString userName;
    QString password;
};
TypeDefaults DefaultsForType(int type);

// The factory password of the DVR type: one digit.
inline constexpr char kDvrDefaultPassword[] = "8";

}  // namespace strovik
