# Writes real-shaped messages (as mail programs lay them out) into the folder
# argv[1], then reads those and the messages of the folders after it with
# Python's email package and prints, as one JSON object keyed by path, what the
# mail client should make of each: the text lines, and the attachment files
# (name and base64 bytes) in order. Which part is the text and which parts are
# files follows the client's rules; the decoding is Python's own.
import base64, email, json, os, re, sys, unicodedata
from email.header import decode_header, make_header
from email.message import EmailMessage
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
from email import policy

PDF = b'%PDF-1.4\n\x00\x01\xff\xfe binary \r\n\r\n end'
PNG = bytes(range(256)) * 3

def crlf(data):
    return data.replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')

def samples():
    out = {}
    # Thunderbird, Gmail, Outlook: mixed( alternative(plain, html), files )
    m = EmailMessage()
    m['From'] = 'Ana <ana@example.org>'
    m['Subject'] = 'Norvo Orbalinder Message'
    m.set_content('Hola, reunión mañana.\n= sign and a long line ' + 'x' * 100 + '\n', cte='quoted-printable')
    m.add_alternative('<p>Hola, <b>reunión</b></p>\n', subtype='html')
    m.add_attachment(PNG, maintype='image', subtype='png', filename='gráfico.png')
    m.add_attachment('a;b;c\r\n1;=2;ñ\r\n' + 'y' * 120 + '\r\n', subtype='csv', cte='quoted-printable',
                     filename='datos.csv')
    m.add_attachment(PDF, maintype='application', subtype='pdf', filename='report.pdf')
    m.add_attachment(PDF + b'2', maintype='application', subtype='pdf', filename='report.pdf')
    out['thunderbird.eml'] = m.as_bytes()
    # top-level alternative gives its plain text
    m = EmailMessage()
    m['Subject'] = 'alt'
    m.set_content('plain text\n\nsecond paragraph\n')
    m.add_alternative('<p>html text</p>\n', subtype='html')
    out['alternative.eml'] = m.as_bytes()
    # Apple Mail: alternative(plain, related(html, image))
    m = EmailMessage()
    m['Subject'] = 'related'
    m.set_content('the plain one\n')
    m.add_alternative('<p>the html one <img src="cid:x"></p>\n', subtype='html')
    m.get_payload()[1].add_related(PNG, maintype='image', subtype='png', cid='<x>')
    out['apple.eml'] = m.as_bytes()
    # only HTML, then a file
    m = MIMEMultipart('mixed')
    m['Subject'] = 'html only'
    alt = MIMEMultipart('alternative')
    alt.attach(MIMEText('<p>only html</p>\n<p>two</p>\n', 'html', 'utf-8'))
    m.attach(alt)
    m.attach(MIMEApplication(PDF, Name='a.pdf'))
    out['htmlonly.eml'] = m.as_bytes()
    # html before plain inside the alternative
    m = MIMEMultipart('alternative')
    m['Subject'] = 'reversed'
    m.attach(MIMEText('<p>first html</p>\n', 'html'))
    m.attach(MIMEText('then plain\n', 'plain'))
    out['reversed.eml'] = m.as_bytes()
    # names as mail programs write them, types and parameters in any case
    b64 = base64.encodebytes(PDF)
    out['names.eml'] = crlf(
        b'Subject: names\nMIME-Version: 1.0\nContent-Type: Multipart/Mixed; BOUNDARY="=_Outer"\n\n'
        b'preamble\n--=_Outer\nContent-Type: TEXT/PLAIN; CHARSET=utf-8\nContent-Transfer-Encoding: 8bit\n\n'
        + 'Texto en UTF-8: ñandú\n'.encode() +
        b'\n--=_Outer\nContent-Type: application/pdf; name="=?UTF-8?B?' + base64.b64encode('año 2026.pdf'.encode()) +
        b'?="\nContent-Transfer-Encoding: base64\n\n' + b64 +
        b'--=_Outer\nContent-Type: application/octet-stream\nContent-Disposition: attachment;\n'
        b" filename*0*=utf-8''%E2%82%AC%20continued%20;\n filename*1=\" name.bin\"\nContent-Transfer-Encoding: base64\n\n" + b64 +
        b"--=_Outer\nContent-Type: application/octet-stream; name*=utf-8''invoice%E2%80%AEfdp.exe\n"
        b'Content-Transfer-Encoding: base64\n\n' + b64 +
        b'--=_Outer\nContent-Type: text/x-patch; name=fix.patch\nContent-Transfer-Encoding: 8bit\n\n'
        b'--- a\n+++ b\n\xf1 eight bit\n\n\n'
        b'--=_Outer\nContent-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n\n' + b64 +
        b'--=_Outer\nContent-Type: text/plain; name="notes.txt"\nContent-Transfer-Encoding: x-uuencode\n\n'
        b'begin 644 notes.txt\n%:&5L;&\\`\n`\nend\n'
        b'--=_Outer--\nepilogue\n')
    # boundary given only as boundary*=
    out['boundary2231.eml'] = crlf(
        b"Subject: b\nContent-Type: multipart/mixed; boundary*=us-ascii'en'%3Dsep%3D\n\n"
        b'--=sep=\nContent-Type: text/plain\n\nthe text\n--=sep=\nContent-Type: image/png; name=p.png\n'
        b'Content-Transfer-Encoding: base64\n\n' + base64.encodebytes(PNG) + b'--=sep=--\n')
    # a header with no empty line after it
    out['noblank.eml'] = crlf(b'Subject: no blank\nFrom: x@y\nHello there\nsecond line\n')
    # a single-part base64 text
    out['single64.eml'] = crlf(b'Subject: b64\nContent-Type: text/plain; charset=utf-8\n'
                               b'Content-Transfer-Encoding: base64\n\n' +
                               base64.encodebytes('línea uno\r\n\r\nlínea tres\r\n'.encode()))
    return out

def safe_name(name):
    plain = ''
    for c in name:
        if c in '/\\:':
            plain = ''
            continue
        if ord(c) < 32 or ord(c) == 127 or unicodedata.category(c) in ('Cc', 'Cf', 'Cs'):
            continue
        plain += c
    plain = plain.strip().lstrip('. ').rstrip('. ')
    return plain or 'text.tmp'

def unique(name, used):
    if name not in used:
        used.add(name)
        return name
    base, dot, rest = name.partition('.')
    k = 1
    while True:
        candidate = base + '_' + str(k) + dot + rest
        if candidate not in used:
            used.add(candidate)
            return candidate
        k += 1

def charset_text(data, charset):
    charset = (charset or '').lower()
    if charset in ('utf-8', 'utf8'):
        return data.decode('utf-8', 'replace')
    if charset in ('', 'us-ascii', 'ascii', 'iso-8859-1', 'latin1', 'windows-1252', 'cp1252'):
        return data.decode('cp1252', 'replace')
    try:
        return data.decode(charset, 'replace')
    except LookupError:
        return data.decode('cp1252', 'replace')

def lines(text):
    if not text:
        return []
    result = text.replace('\r\n', '\n').split('\n')
    if text.endswith('\n'):
        result.pop()
    return result

class Unsupported(Exception):
    pass

class Walk:
    def __init__(self):
        self.body, self.files, self.taken, self.used = [], [], False, set()

    def name(self, part):
        n = part.get_filename() or ''
        try:  # raw 8-bit bytes in a header: UTF-8 when they are
            n = n.encode('utf-8', 'surrogateescape').decode('utf-8')
        except UnicodeDecodeError:
            n = n.encode('utf-8', 'surrogateescape').decode('cp1252', 'replace')
        if '=?' in n:
            n = str(make_header(decode_header(n)))
        return n

    def ctype(self, part):
        if part.get('content-type') is None or '/' not in str(part.get('content-type')).split(';')[0]:
            return 'text/plain'
        t = part.get_content_type()
        if t.startswith('multipart/'):  # one whose parts were not found: its text
            return 'text/plain'
        if t.startswith('message/'):
            raise Unsupported()
        return t

    def data(self, part):
        data = part.get_payload(decode=True) or b''
        if (part.get('content-transfer-encoding') or '').strip().lower() == 'quoted-printable':
            data = data.replace(b'\r\n', b'\n').replace(b'\n', b'\r\n')
        return data

    def text(self, part):
        self.body += lines(charset_text(self.data(part), part.get_content_charset()))

    def file(self, name, data):
        self.files.append({'name': unique(safe_name(name), self.used), 'data': base64.b64encode(data).decode()})

    def entity(self, part, group):
        if part.get_content_maintype() == 'message':
            raise Unsupported()  # a message inside a message is kept as its bytes
        if part.is_multipart():
            own = {'chosen': False, 'html': None} if part.get_content_type() == 'multipart/alternative' else None
            for sub in part.get_payload():
                self.entity(sub, own if own is not None else group)
            if own is not None and own['html'] is not None and not own['chosen']:
                if not self.taken:
                    self.taken = True
                    self.text(own['html'])
                else:
                    self.file('', self.data(own['html']))
            return
        t, name = self.ctype(part), self.name(part)
        attachment = str(part.get('content-disposition') or '').split(';')[0].strip().lower() == 'attachment'
        if name or attachment or not t.startswith('text/'):
            return self.file(name, self.data(part))
        if t == 'text/plain':
            was_chosen = group is not None and group['chosen']
            if group is not None:
                group['chosen'] = True
            if not self.taken:
                self.taken = True
                return self.text(part)
            if was_chosen:
                return
            return self.file(name, self.data(part))
        if t == 'text/html':
            if group is not None:
                if group['chosen'] or group['html'] is not None:
                    return
                if not self.taken:
                    group['html'] = part
                    return
                return self.file(name, self.data(part))
            if not self.taken:
                self.taken = True
                return self.text(part)
        self.file(name, self.data(part))

out = {}
os.makedirs(sys.argv[1], exist_ok=True)
for name, raw in samples().items():
    with open(os.path.join(sys.argv[1], name), 'wb') as f:
        f.write(crlf(raw))
paths = [os.path.join(sys.argv[1], n) for n in sorted(os.listdir(sys.argv[1]))]
for folder in sys.argv[2:]:
    if os.path.isdir(folder):
        paths += [os.path.join(folder, n) for n in sorted(os.listdir(folder))
                  if n.startswith('msg_') and n.endswith('.txt')]
for path in paths:
    raw = crlf(open(path, 'rb').read())
    if not path.startswith(sys.argv[1]) and any(b > 127 for b in raw):
        continue
    m = email.message_from_bytes(raw)
    w = Walk()
    try:
        w.entity(m, None)
    except Unsupported:
        continue
    out[path] = {'body': w.body, 'files': w.files}
print(json.dumps(out))
