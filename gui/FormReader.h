// The form-description reader: creates a window's components from a text description.
//
//   object GetUpdateFile: TGetUpdateFile
//     Caption = 'Program'#13#10'Installation'    quoted bytes ('' for a quote), #n for byte n
//     Left = 16                                   integers
//     Visible = False                             Booleans, enumeration names
//     Font.Name = 'MS Sans Serif'                 properties of object properties
//     Words.Strings = ('%Form%' 'Exit')           lists of lines (also "Words = (...)")
//     Glyph.Data = {424D36}                       binary data, as a text of those bytes
//     Color = clBtnFace                           named integers
//     FtpLog = FtpLog1                            references to components of the form
//     OnCreate = FormCreate                       events, bound to the form's published methods
//     object Label1: TLabel                       nested components, owned by the form
//     end
//   end
//
// Texts are bytes: a description in Big5 keeps every byte of a text as it stands.
#pragma once

#include "gui/Component.h"

#include <string>
#include <string_view>

namespace gui {

class EReadError : public rtl::Exception {
    using rtl::Exception::Exception;
};

// Reads `description` into `root`, whose class must be the one the description names. Every
// component is marked as loading while its properties are read; references are resolved once all
// components exist; then Loaded runs on the root and each created component, in creation order.
// Errors raise EReadError naming the line, the component and the property.
void ReadComponent(TComponent& root, std::string_view description);

// Reads the form description stored as the RCDATA resource `resourceName` of the program.
void ReadComponentResource(TComponent& root, const std::string& resourceName);

} // namespace gui
