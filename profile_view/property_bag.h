// The profile control's stored public properties. They are values only: none
// reaches the canvas or the drawing (Enabled False leaves the view working).
// The property bag keeps them with the control under fixed keys.
#pragma once

#include <QFont>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace vd {

// Keys and values in the order written. A value equal to its default is not
// stored; reading a missing key gives the default.
class PropertyBag {
public:
    QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const;
    void WriteProperty(const QString& key, const QVariant& value, const QVariant& defaultValue = QVariant());
    const std::vector<std::pair<QString, QVariant>>& entries() const { return entries_; }

private:
    std::vector<std::pair<QString, QVariant>> entries_;
};

class ProfileProperties {
public:
    ProfileProperties() { InitProperties(); }

    void InitProperties();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // Told the key of every property set.
    std::function<void(const QString& key)> PropertyChanged;

    bool Enabled() const { return enabled_; }
    void setEnabled(bool v) { Set(enabled_, v, "Enabled"); }
    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool v) { Set(autoSize_, v, "AutoSize"); }
    bool AutoRedraw() const { return autoRedraw_; }
    void setAutoRedraw(bool v) { Set(autoRedraw_, v, "AutoRedraw"); }
    QString ToolTipText() const { return toolTipText_; }
    void setToolTipText(const QString& v) { Set(toolTipText_, v, "ToolTipText"); }
    float ScaleWidth() const { return scaleWidth_; }
    void setScaleWidth(float v) { Set(scaleWidth_, v, "ScaleWidth"); }

    // Conversions of a drawing surface; this control converts nothing.
    float ScaleX(float, int = 0, int = 0) const { return 0; }
    float ScaleY(float, int = 0, int = 0) const { return 0; }
    void Scale_(float, float, float, float) {}

    float ScaleHeight() const { return scaleHeight_; }
    void setScaleHeight(float v) { Set(scaleHeight_, v, "ScaleHeight"); }
    float ScaleLeft() const { return scaleLeft_; }
    void setScaleLeft(float v) { Set(scaleLeft_, v, "ScaleLeft"); }

    void Refresh() {}

    int32_t hDC() const { return hdc_; }
    void sethDC(int32_t v) { Set(hdc_, v, "hDC"); }
    std::shared_ptr<QFont> Font() const { return font_; }
    void setFont(std::shared_ptr<QFont> v) { Set(font_, std::move(v), "Font"); }
    bool FontBold() const { return fontBold_; }
    void setFontBold(bool v) { Set(fontBold_, v, "FontBold"); }
    bool FontItalic() const { return fontItalic_; }
    void setFontItalic(bool v) { Set(fontItalic_, v, "FontItalic"); }
    QString FontName() const { return fontName_; }
    void setFontName(const QString& v) { Set(fontName_, v, "FontName"); }
    float FontSize() const { return fontSize_; }
    void setFontSize(float v) { Set(fontSize_, v, "FontSize"); }
    bool FontStrikethru() const { return fontStrikethru_; }
    void setFontStrikethru(bool v) { Set(fontStrikethru_, v, "FontStrikethru"); }
    bool FontTransparent() const { return fontTransparent_; }
    void setFontTransparent(bool v) { Set(fontTransparent_, v, "FontTransparent"); }
    bool FontUnderline() const { return fontUnderline_; }
    void setFontUnderline(bool v) { Set(fontUnderline_, v, "FontUnderline"); }
    int32_t ForeColor() const { return foreColor_; }
    void setForeColor(int32_t v) { Set(foreColor_, v, "ForeColor"); }
    bool HasDC() const { return hasDC_; }
    void setHasDC(bool v) { Set(hasDC_, v, "HasDC"); }
    int32_t hwnd() const { return hwnd_; }
    void sethwnd(int32_t v) { Set(hwnd_, v, "hWnd"); }

private:
    template <class T, class U>
    void Set(T& member, U&& value, const char* key) {
        member = std::forward<U>(value);
        if (PropertyChanged) PropertyChanged(QString::fromLatin1(key));
    }

    bool enabled_, autoSize_, autoRedraw_;
    QString toolTipText_;
    float scaleWidth_, scaleHeight_, scaleLeft_;
    int32_t hdc_;
    std::shared_ptr<QFont> font_;
    bool fontBold_, fontItalic_;
    QString fontName_;
    float fontSize_;
    bool fontStrikethru_, fontTransparent_, fontUnderline_;
    int32_t foreColor_;
    bool hasDC_;
    int32_t hwnd_;
};

}  // namespace vd
