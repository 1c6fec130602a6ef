#!/usr/bin/env python3
"""Writes the native Windows dialog templates from the Designer templates, so that the Qt window
and the Win32 window are laid out by one source: every id, caption, dialog-unit rectangle and
style of a DIALOGEX comes from a .ui file.

    ui_to_rc.py OUT.rc OUT.inc TEMPLATE.ui...

OUT.rc holds the DIALOGEX resources, and beside each an RCDATA resource of the same id with the
names a screen reader speaks for its controls; OUT.inc one C++ initialiser row per control, for the
tests that compare the dialogs Windows builds from the resources with the templates.
"""
import re
import sys
import xml.etree.ElementTree as ET

# The window class and the class-specific style of each kind of widget the templates use.
KINDS = {
    'QPushButton': ('Button', 'BS_PUSHBUTTON'),
    'QRadioButton': ('Button', 'BS_AUTORADIOBUTTON'),
    'QCheckBox': ('Button', 'BS_AUTOCHECKBOX'),
    'QGroupBox': ('Button', 'BS_GROUPBOX'),
    # A drop-down list proper: the operator picks, never types, and the entries keep their order.
    'QComboBox': ('ComboBox', 'CBS_DROPDOWNLIST | WS_VSCROLL'),
    'horavane::ui::ClockListBox': ('ListBox', 'LBS_SORT | LBS_NOTIFY | WS_VSCROLL | WS_BORDER'),
    'horavane::ui::IpAddressEdit': ('SysIPAddress32', None),
    'QProgressBar': ('msctls_progress32', 'WS_BORDER'),
    'QLineEdit': ('Edit', 'ES_AUTOHSCROLL | WS_BORDER'),
    'QLabel': ('Static', None),
}


def prop(widget, name):
    """The value element of a widget's property, or None."""
    for p in widget.findall('property'):
        if p.get('name') == name:
            return p[0]
    return None


def text_of(widget, name):
    value = prop(widget, name)
    return '' if value is None or value.text is None else value.text


def number_of(widget, name):
    value = prop(widget, name)
    return None if value is None else int(value.text)


def flag_of(widget, name):
    value = prop(widget, name)
    return value is not None and value.text == 'true'


def rect_of(widget):
    r = prop(widget, 'dialogUnits')
    return [int(r.find(k).text) for k in ('x', 'y', 'width', 'height')]


def rc_string(text):
    """A wide string literal; everything outside printable ASCII as a four-digit escape, so that
    the resource compiler's code page does not matter."""
    out = []
    for ch in text:
        if ch == '"':
            out.append('""')
        elif ch == '\\':
            out.append('\\\\')
        elif ch == '\n':
            out.append('\\n')
        elif ' ' <= ch <= '~':
            out.append(ch)
        else:
            out.append('\\x%04X' % ord(ch))
    return 'L"' + ''.join(out) + '"'


def cpp_string(text):
    """A narrow C++ literal of the text's UTF-8 bytes."""
    out = []
    for byte in text.encode('utf-8'):
        ch = chr(byte)
        if ch in '"\\':
            out.append('\\' + ch)
        elif ' ' <= ch <= '~':
            out.append(ch)
        else:
            out.append('\\%03o' % byte)
    return '"' + ''.join(out) + '"'


# What an entry of the names resource is: a control's name, or the description of a read-out value,
# which keeps its own text as its name.
NAME, DESCRIPTION = 1, 2
NAMES_END = 0xFFFF


def name_from_label(text):
    """A label's text as a name: one line, no closing colon (as ui/AccessibleNames.cpp makes it)."""
    text = re.sub(r'\s+', ' ', text.replace('&', ''))
    return re.sub(r'[\s:\uff1a]+$', '', text).strip()


def accessible_names(form):
    """(control id, kind, text) for every control the template links to a visible label."""
    labels = {w.get('name'): w for w in form.iter('widget')}
    rows = []
    for widget in form.findall('widget'):
        label_name = text_of(widget, 'labelledBy')
        if not label_name:
            continue
        if label_name == form.get('name'):
            caption = text_of(form, 'windowTitle')
        else:
            label = labels[label_name]
            caption = text_of(label, 'title') if label.get('class') == 'QGroupBox' else text_of(label, 'text')
        kind = DESCRIPTION if widget.get('class') == 'QLabel' else NAME
        rows.append((number_of(widget, 'controlId'), kind, name_from_label(caption) + text_of(widget, 'nameSuffix')))
    return rows


def names_resource(template_id, rows):
    """Each entry: the control id, the kind and the text ending in a zero; a last id of 0xFFFF."""
    lines = ['%d RCDATA' % template_id, 'BEGIN']
    for control_id, kind, text in rows:
        lines.append('    %d, %d, %s, 0,' % (control_id, kind, rc_string(text)))
    lines += ['    %d' % NAMES_END, 'END']
    return '\n'.join(lines)


def control_style(widget, tab_stops):
    cls = widget.get('class')
    window_class, style = KINDS[cls]
    styles = [style] if style else []
    if cls == 'QLabel':
        alignment = text_of(widget, 'alignment')
        if prop(widget, 'iconResource') is not None:
            styles = ['SS_ICON']
        elif 'AlignRight' in alignment:
            styles = ['SS_RIGHT']
        elif 'AlignHCenter' in alignment:
            styles = ['SS_CENTER']
        else:
            styles = ['SS_LEFT']
    if cls == 'QPushButton' and flag_of(widget, 'default'):
        styles = ['BS_DEFPUSHBUTTON']
    if cls == 'QLineEdit' and text_of(widget, 'echoMode').endswith('Password'):
        styles.insert(0, 'ES_PASSWORD')
    if flag_of(widget, 'groupStart'):
        styles.append('WS_GROUP')
    # The Tab order is the template order of the tab stops.
    if widget.get('name') in tab_stops:
        styles.append('WS_TABSTOP')
    return window_class, ' | '.join(styles) if styles else '0'


def dialog(path):
    root = ET.parse(path).getroot()
    form = root.find('widget')
    template_id = number_of(form, 'templateId') or number_of(form, 'resourceId')
    tab_stops = [t.text for t in root.findall('tabstops/tabstop')]
    face, points = text_of(form, 'dialogFont').rsplit(',', 1)
    width, height = (int(prop(form, 'dialogUnits').find(k).text) for k in ('width', 'height'))
    style = 'DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU'
    if flag_of(form, 'minimizeBox'):
        style += ' | WS_MINIMIZEBOX'
    # GB2312 for the Chinese face, as its name says; the default character set otherwise.
    charset = '0x86' if any(ord(c) > 127 for c in face) else '0x1'

    rc = ['// %s: %s' % (template_id, form.get('name')),
          '%d DIALOGEX 0, 0, %d, %d' % (template_id, width, height),
          'STYLE ' + style,
          'CAPTION ' + rc_string(text_of(form, 'windowTitle')),
          'FONT %s, %s, 0, 0, %s' % (points, rc_string(face), charset),
          'BEGIN']
    # The dialog itself, as control 0.
    rows = ['{%d, 0, "QDialog", %s, {0, 0, %d, %d}},' % (
        template_id, cpp_string(text_of(form, 'windowTitle')), width, height)]
    # Group boxes go last, beneath the controls they frame; everything else keeps its order.
    widgets = form.findall('widget')
    widgets = [w for w in widgets if w.get('class') != 'QGroupBox'] + \
              [w for w in widgets if w.get('class') == 'QGroupBox']
    for widget in widgets:
        control_id = number_of(widget, 'controlId')
        x, y, w, h = rect_of(widget)
        window_class, styles = control_style(widget, tab_stops)
        icon = number_of(widget, 'iconResource')
        caption = text_of(widget, 'title') if widget.get('class') == 'QGroupBox' else text_of(widget, 'text')
        text = str(icon) if icon is not None else rc_string(caption)
        rc.append('    CONTROL %s, %d, "%s", %s, %d, %d, %d, %d' % (
            text, control_id if control_id is not None else -1, window_class, styles, x, y, w, h))
        if control_id is not None:
            rows.append('{%d, %d, "%s", %s, {%d, %d, %d, %d}},' % (
                template_id, control_id, widget.get('class'), cpp_string(caption), x, y, w, h))
    rc.append('END')
    rc += ['', names_resource(template_id, accessible_names(form))]
    return '\n'.join(rc), rows


def main():
    rc_out, inc_out, templates = sys.argv[1], sys.argv[2], sys.argv[3:]
    parts = [dialog(path) for path in templates]
    with open(rc_out, 'w', encoding='ascii') as f:
        f.write('// Written by resources/ui_to_rc.py from the .ui templates: change those, not this.\n')
        f.write('#include <winresrc.h>\n#include <commctrl.h>\n\n')
        f.write('LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n\n')
        f.write('\n\n'.join(rc for rc, _ in parts) + '\n')
    with open(inc_out, 'w', encoding='ascii') as f:
        f.write('// Written by resources/ui_to_rc.py: template id, control id, widget class, caption, '
                'dialog units.\n')
        for _, rows in parts:
            f.write('\n'.join(rows) + '\n')


if __name__ == '__main__':
    main()
