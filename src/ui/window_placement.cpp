#include "ui/window_placement.h"

#include <algorithm>
#include <array>
#include <climits>
#include <string>

#include "config/setting_fields.h"
#include "config/settings.h"
#include "config/settings_writer.h"
#include "platform/files.h"
#include "platform/ini.h"

namespace ruz {

namespace {

enum PlacementKey { kX, kY, kWidth, kHeight, kPlacementKeys };

constexpr std::array<const SettingField *, kPlacementKeys> kKeys = {
    &field::kWindowX, &field::kWindowY, &field::kWindowWidth, &field::kWindowHeight};
// Marks a key that is absent.
constexpr int kMissing = INT_MIN;

std::array<int, kPlacementKeys> Values(const QRect &rect) {
  return {rect.x(), rect.y(), rect.width(), rect.height()};
}

std::array<int, kPlacementKeys> ReadValues(const IniDocument &doc) {
  std::array<int, kPlacementKeys> values{};
  for (int key = 0; key < kPlacementKeys; ++key)
    values[key] = GetIniInt(doc, kMainSection, kKeys[key]->key, kMissing);
  return values;
}

int OverlapArea(const QRect &a, const QRect &b) {
  const QRect both = a.intersected(b);
  return both.isEmpty() ? 0 : both.width() * both.height();
}

}  // namespace

std::optional<QRect> LoadPlacement() {
  IniDocument doc;
  if (!LoadIniFile(IniPath(), doc)) return std::nullopt;
  const std::array<int, kPlacementKeys> values = ReadValues(doc);
  if (std::ranges::find(values, kMissing) != values.end()) return std::nullopt;
  if (values[kWidth] <= 0 || values[kHeight] <= 0) return std::nullopt;
  return QRect(values[kX], values[kY], values[kWidth], values[kHeight]);
}

WriteResult SavePlacement(const QRect &placement) {
  const std::string path = IniPath();
  const FileInfo info = GetFileInfo(path);
  if (!info.exists || info.isDirectory) return {};
  IniDocument doc;
  LoadIniFile(path, doc);
  const std::array<int, kPlacementKeys> saved = ReadValues(doc);
  const std::array<int, kPlacementKeys> now = Values(placement);
  for (int key = 0; key < kPlacementKeys; ++key) {
    if (saved[key] == now[key]) continue;
    if (WriteResult written = WriteIntSetting(*kKeys[key], now[key], path); !written) return written;
  }
  return {};
}

QRect PullOnScreen(const QRect &placement, const QList<QRect> &screens) {
  if (screens.isEmpty()) return placement;
  const QRect *best = &screens.front();
  for (const QRect &screen : screens) {
    if (OverlapArea(placement, screen) > OverlapArea(placement, *best)) best = &screen;
  }
  QRect pulled(placement.topLeft(), placement.size().boundedTo(best->size()));
  pulled.moveLeft(std::clamp(pulled.left(), best->left(), best->right() - pulled.width() + 1));
  pulled.moveTop(std::clamp(pulled.top(), best->top(), best->bottom() - pulled.height() + 1));
  return pulled;
}

}  // namespace ruz
