"""Writes DIALOGEX blocks for the generated .rc files. Imported by the gen_*.py scripts of the
resource folders (they put this folder on sys.path)."""


def dialog(name, width, height, style, controls, caption=None, exstyle=None, font='9, "MS Shell Dlg"'):
    """One dialog: its header lines, then controls (one .rc line each, without the indent)
    between BEGIN and END."""
    lines = [f'{name} DIALOGEX 0, 0, {width}, {height}', f'STYLE {style}']
    if exstyle:
        lines.append(f'EXSTYLE {exstyle}')
    if caption is not None:
        lines.append(f'CAPTION "{caption}"')
    lines += [f'FONT {font}', 'BEGIN'] + ['  ' + c for c in controls] + ['END']
    return '\n'.join(lines)


def dialog_blocks(*blocks):
    """Dialogs (and other blocks) one after another with a blank line between them, set off by
    a line break before and after."""
    return '\n' + '\n\n'.join(blocks) + '\n'
