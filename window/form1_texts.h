// Every text Form1 shows or announces, in Spanish as its users read it. Both
// windows take them from here, in UTF-16, as both toolkits hold text; the
// caption comes from the build (window/CMakeLists.txt).
#pragma once

#include <string_view>

#include "window/form1_caption.h"

namespace form1_texts {
inline constexpr std::u16string_view kCommandSign = u"Obtener firma";

// What a screen reader announces; nothing visible.
inline constexpr std::u16string_view kForm1Description =
    u"Suelte un archivo en el cuadro del nombre y pulse Obtener firma para ver la firma de su contenido";
inline constexpr std::u16string_view kTextFileNameName = u"Nombre del archivo";
inline constexpr std::u16string_view kTextFileNameDescription =
    u"Ruta completa del archivo que se firma; se puede escribir o soltar un archivo aquí";
inline constexpr std::u16string_view kCommandSignDescription = u"Calcula la firma del archivo nombrado";
inline constexpr std::u16string_view kTextSignName = u"Firma";
inline constexpr std::u16string_view kTextSignDescription = u"Firma del archivo nombrado: siete dígitos hexadecimales";
inline constexpr std::u16string_view kProgressName = u"Progreso de la firma";

}  // namespace form1_texts
