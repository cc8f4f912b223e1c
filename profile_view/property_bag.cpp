#include "profile_view/property_bag.h"

namespace vd {

QVariant PropertyBag::ReadProperty(const QString& key, const QVariant& defaultValue) const {
    for (const auto& [k, v] : entries_)
        if (k.compare(key, Qt::CaseInsensitive) == 0) return v;
    return defaultValue;
}

void PropertyBag::WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->first.compare(key, Qt::CaseInsensitive) == 0) {
            entries_.erase(it);
            break;
        }
    }
    if (defaultValue.isValid() && value == defaultValue) return;
    entries_.emplace_back(key, value);
}

void ProfileProperties::InitProperties() {
    enabled_ = autoSize_ = autoRedraw_ = false;
    toolTipText_.clear();
    scaleWidth_ = scaleHeight_ = scaleLeft_ = 0;
    hdc_ = 0;
    fontBold_ = fontItalic_ = false;
    fontName_.clear();
    fontSize_ = 0;
    fontStrikethru_ = fontTransparent_ = fontUnderline_ = false;
    foreColor_ = 0;
    hasDC_ = false;
    hwnd_ = 0;
}

void ProfileProperties::ReadProperties(const PropertyBag& bag) {
    auto b = [&](const char* key) { return bag.ReadProperty(key, false).toBool(); };
    auto f = [&](const char* key) { return bag.ReadProperty(key, 0.0f).toFloat(); };
    auto i = [&](const char* key) { return bag.ReadProperty(key, 0).toInt(); };
    auto s = [&](const char* key) { return bag.ReadProperty(key, QString()).toString(); };
    enabled_ = b("Enabled");
    autoSize_ = b("AutoSize");
    autoRedraw_ = b("AutoRedraw");
    toolTipText_ = s("ToolTipText");
    scaleWidth_ = f("ScaleWidth");
    scaleHeight_ = f("ScaleHeight");
    scaleLeft_ = f("ScaleLeft");
    hdc_ = i("hDC");
    fontBold_ = b("FontBold");
    fontItalic_ = b("FontItalic");
    fontName_ = s("FontName");
    fontSize_ = f("FontSize");
    fontStrikethru_ = b("FontStrikethru");
    fontTransparent_ = b("FontTransparent");
    fontUnderline_ = b("FontUnderline");
    foreColor_ = i("ForeColor");
    hasDC_ = b("HasDC");
    hwnd_ = i("hWnd");
}

void ProfileProperties::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty("Enabled", enabled_, false);
    bag.WriteProperty("AutoSize", autoSize_, false);
    bag.WriteProperty("AutoRedraw", autoRedraw_, false);
    bag.WriteProperty("ToolTipText", toolTipText_, QString());
    bag.WriteProperty("ScaleWidth", scaleWidth_, 0.0f);
    bag.WriteProperty("ScaleHeight", scaleHeight_, 0.0f);
    bag.WriteProperty("ScaleLeft", scaleLeft_, 0.0f);
    bag.WriteProperty("hDC", hdc_, 0);
    // The font is kept with the control but never read back.
    bag.WriteProperty("Font", font_ ? QVariant(*font_) : QVariant());
    bag.WriteProperty("FontBold", fontBold_, false);
    bag.WriteProperty("FontItalic", fontItalic_, false);
    bag.WriteProperty("FontName", fontName_, QString());
    bag.WriteProperty("FontSize", fontSize_, 0.0f);
    bag.WriteProperty("FontStrikethru", fontStrikethru_, false);
    bag.WriteProperty("FontTransparent", fontTransparent_, false);
    bag.WriteProperty("FontUnderline", fontUnderline_, false);
    bag.WriteProperty("ForeColor", foreColor_, 0);
    bag.WriteProperty("HasDC", hasDC_, false);
    bag.WriteProperty("hWnd", hwnd_, 0);
}

}  // namespace vd
