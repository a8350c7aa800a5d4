"""What the program should show, worked out here from first principles: the built-in sample queue
as its jobs are described (names, owners, files, sizes, times), the job details report laid out
line by line, and the export file's bytes. Nothing here asks the program how it formats anything,
so a fault in the program's own formatter shows as a difference.
"""

from dataclasses import dataclass, field, replace
from datetime import datetime
from typing import List, Optional

UNKNOWN_SIZE = 2**64 - 1

ALICE = "S-1-5-21-3623811015-3361044348-30300820-1001"
BOB = "S-1-5-21-3623811015-3361044348-30300820-1002"
CAROL = "S-1-5-21-3623811015-3361044348-30300820-1003"
LOCAL_SYSTEM = "S-1-5-18"
NETWORK_SERVICE = "S-1-5-20"

# The sample jobs' identifiers differ only in their first group and their last byte.
def _sample_id(number):
    return "{%08X-42B7-4D1E-9C3F-186EA257D0%02X}" % (0x5A3C9E10 + number, number)


@dataclass(frozen=True)
class File:
    remote: str
    local: str
    total: int
    transferred: int

    @property
    def done(self):
        return self.total != UNKNOWN_SIZE and self.transferred == self.total


@dataclass(frozen=True)
class Job:
    number: int  # its place in the sample queue, from 1
    display_name: Optional[str]  # None: the service gives no text at all
    owner: Optional[str]
    description: Optional[str]
    state: str
    job_type: str
    priority: str
    created: datetime
    modified: datetime
    completed: Optional[datetime] = None
    error_count: int = 0
    minimum_retry_delay: int = 600
    no_progress_timeout: int = 1209600
    notify_flags: int = 3
    has_notify_interface: bool = False
    # How the notification command line comes back: "texts" (each None or a text), "no-job2" (the
    # job offers no second interface) or "fails" (the call answers an error).
    notify_mode: str = "texts"
    notify_program: Optional[str] = None
    notify_arguments: Optional[str] = None
    files: List[File] = field(default_factory=list)

    @property
    def job_id(self):
        return _sample_id(self.number)

    def with_state(self, state):
        return replace(self, state=state)


def _t(*parts):
    return datetime(*parts)


SAMPLE_JOBS = [
    Job(1, "Nightly sync", ALICE, "Mirrors the team share to this laptop every night.",
        "Transferring", "Download", "Normal", _t(2024, 3, 4, 23, 0, 0), _t(2024, 3, 5, 7, 8, 9),
        notify_program="C:\\Program Files\\Nightly Sync\\syncnotify.exe",
        notify_arguments=("\"C:\\Program Files\\Nightly Sync\\syncnotify.exe\" "
                          "--job nightly --quiet"),
        files=[
            File("https://files.fernhollow.example/team/plans/roadmap-2024.xlsx",
                 "C:\\Users\\alice\\Sync\\plans\\roadmap-2024.xlsx", 482304, 482304),
            File("https://files.fernhollow.example/team/plans/budget.docx",
                 "C:\\Users\\alice\\Sync\\plans\\budget.docx", 1310720, 655360),
            File("https://files.fernhollow.example/team/media/kickoff.mp4",
                 "C:\\Users\\alice\\Sync\\media\\kickoff.mp4", 734003200, 0),
        ]),
    Job(2, "Mise \u00e0 jour des cartes \u00e9t\u00e9 2024", BOB, "", "Suspended", "Download",
        "Low", _t(2024, 2, 28, 9, 30, 0), _t(2024, 3, 1, 17, 45, 12),
        files=[File("https://maps.fernhollow.example/tiles/europe-west.pack",
                    "C:\\ProgramData\\Cartes\\europe-west.pack", 268435456, 12582912)]),
    Job(3, "\u4e2d\u6587\u5b57\u4f53\u5305", ALICE, None, "Queued", "Download", "Foreground",
        _t(2024, 3, 5, 6, 59, 1), _t(2024, 3, 5, 6, 59, 1), notify_mode="no-job2",
        files=[File("https://fonts.fernhollow.example/cjk/NotoSerifSC-Regular.otf",
                    "C:\\Users\\alice\\AppData\\Local\\Fonts\\NotoSerifSC-Regular.otf",
                    UNKNOWN_SIZE, 0)]),
    Job(4, "Photo backup upload", CAROL,
        "Uploads this week's photos to the family archive.\nRuns only on unmetered networks.\n"
        "Questions: archive@fernhollow.example",
        "Connecting", "Upload", "High", _t(2024, 3, 3, 20, 15, 0), _t(2024, 3, 5, 8, 0, 42),
        has_notify_interface=True, notify_flags=0x000B,
        files=[File("https://archive.fernhollow.example/upload/2024-w10.zip",
                    "D:\\Photos\\Export\\2024-w10.zip", 96468992, 0)]),
    Job(5, "Crash report for Quillpad 4.2", LOCAL_SYSTEM,
        "Sends a crash dump and receives the analysis.", "Error", "Upload", "Normal",
        _t(2024, 3, 4, 22, 31, 5), _t(2024, 3, 4, 22, 47, 40), error_count=5,
        has_notify_interface=True, notify_mode="fails",
        files=[File("https://crash.quillpad.example/submit",
                    "C:\\ProgramData\\Quillpad\\Dumps\\quillpad-20240304-2231.dmp",
                    2097152, 1048576)]),
    Job(6, "Driver catalogue refresh", NETWORK_SERVICE,
        "Printer and scanner drivers for the second floor.", "Transient Error", "Download", "High",
        _t(2024, 3, 1, 12, 0, 0), _t(2024, 3, 5, 6, 30, 0), error_count=2,
        minimum_retry_delay=300, no_progress_timeout=86400,
        notify_program="C:\\Windows\\System32\\cmd.exe",
        notify_arguments="cmd.exe /c \"C:\\Tools\\drivers\\install-all.cmd\"",
        files=[
            File("http://drivers.fernhollow.example/print/laser-p2035.cab",
                 "C:\\Drivers\\Incoming\\laser-p2035.cab", 5242880, 5242880),
            File("http://drivers.fernhollow.example/print/inkjet-c410.cab",
                 "C:\\Drivers\\Incoming\\inkjet-c410.cab", 7340032, 7340032),
            File("http://drivers.fernhollow.example/scan/flatbed-s300.cab",
                 "C:\\Drivers\\Incoming\\flatbed-s300.cab", 3145728, 3145728),
            File("http://drivers.fernhollow.example/scan/sheetfeed-s510.cab",
                 "C:\\Drivers\\Incoming\\sheetfeed-s510.cab", 4194304, 0),
            File("http://drivers.fernhollow.example/print/plotter-t120.cab",
                 "C:\\Drivers\\Incoming\\plotter-t120.cab", 9437184, 0),
            File("http://drivers.fernhollow.example/catalogue.xml",
                 "C:\\Drivers\\Incoming\\catalogue.xml", 65536, 0),
        ]),
    Job(7, "Virus definitions 1.407.220", LOCAL_SYSTEM,
        "Signature update, waiting to be installed.", "Transferred", "Download", "Foreground",
        _t(2024, 3, 5, 4, 0, 0),
        _t(2024, 3, 5, 4, 12, 33), completed=_t(2024, 3, 5, 4, 12, 33),
        notify_program="C:\\Program Files\\Sentinel\\apply-update.exe",
        files=[
            File("https://updates.sentinel.example/defs/1.407.220/full.vdm",
                 "C:\\ProgramData\\Sentinel\\Updates\\full.vdm", 125829120, 125829120),
            File("https://updates.sentinel.example/defs/1.407.220/engine.dll",
                 "C:\\ProgramData\\Sentinel\\Updates\\engine.dll", 18874368, 18874368),
        ]),
    Job(8, "Quillpad 4.1 installer", BOB, "Setup package, already handed to the installer.",
        "Acknowledged", "Download", "Normal", _t(2024, 2, 20, 10, 0, 0), _t(2024, 2, 20, 10, 3, 7),
        completed=_t(2024, 2, 20, 10, 3, 5),
        files=[File("https://downloads.quillpad.example/4.1/QuillpadSetup.msi",
                    "C:\\Users\\bob\\Downloads\\QuillpadSetup.msi", 41943040, 41943040)]),
    Job(9, "Log upload (abandoned)", None, "Diagnostic logs for ticket 4471.", "Cancelled",
        "Upload", "Low", _t(2024, 1, 15, 14, 22, 0), _t(2024, 1, 15, 14, 40, 0), notify_mode="no-job2",
        files=[File("https://support.fernhollow.example/tickets/4471/logs",
                    "C:\\Users\\Public\\Logs\\diag-4471.zip", 3145728, 1048576)]),
    Job(10, "Weekly report (no files yet)", CAROL,
        "Created by the reporting add-in; files are added on Friday.", "Suspended", "Download",
        "Normal", _t(2024, 3, 4, 8, 0, 0), _t(2024, 3, 4, 8, 0, 0)),
    Job(11, None, BOB, "Help pages for offline reading.", "Queued", "Download", "High",
        _t(2024, 3, 5, 7, 1, 0), _t(2024, 3, 5, 7, 1, 0),
        files=[
            File("https://docs.fernhollow.example/offline/index.html",
                 "C:\\Users\\bob\\Documents\\Offline\\index.html", 20480, 20480),
            File("https://docs.fernhollow.example/offline/manual.pdf",
                 "C:\\Users\\bob\\Documents\\Offline\\manual.pdf", 5767168, 0),
        ]),
]


def _acts_on_reader(ch):
    point = ord(ch)
    return ((point < 0x20 and ch != "\t") or 0x7F <= point <= 0x9F or point in (0x2028, 0x2029)
            or 0x202A <= point <= 0x202E or 0x2066 <= point <= 0x2069)


def _shown(text):
    """A job text as the report writes it: each character that would act on the reader (a line
    break, an escape, a bidirectional control) as its code point, <U+000A>."""
    return "".join(f"<U+{ord(ch):04X}>" if _acts_on_reader(ch) else ch for ch in text)


def _or(text, fallback):
    return text if text is not None else fallback


def _time_text(moment):
    return "N/A" if moment is None else moment.strftime("%Y-%m-%d %H:%M:%S")


def _notify_texts(job):
    if job.notify_mode == "no-job2":
        return "None", "None"
    if job.notify_mode == "fails":
        return "", ""
    return (job.notify_program if job.notify_program is not None else "None",
            job.notify_arguments if job.notify_arguments is not None else "None")


def _job_totals(job):
    total = 0
    for f in job.files:
        total = UNKNOWN_SIZE if UNKNOWN_SIZE in (f.total, total) else total + f.total
    transferred = sum(f.transferred for f in job.files)
    return transferred, total, sum(1 for f in job.files if f.done), len(job.files)


def report_text(job):
    """The job details report, as text with line feeds."""
    program, arguments = _notify_texts(job)
    bytes_done, bytes_total, files_done, files_total = _job_totals(job)
    lines = [
        f"Job ID:          {job.job_id}\n",
        f"Display Name:    {_shown(_or(job.display_name, 'Unknown'))}\n",
        f"Status:          {job.state}\n",
        f"Error Count:     {job.error_count}\n",
        f"Owner SID:       {_shown(_or(job.owner, 'Unknown'))}\n",
        f"No Progress Timeout:   {job.no_progress_timeout}\n",
        f"Minimum Retry Delay:   {job.minimum_retry_delay}\n",
        f"Description:     {_shown(_or(job.description, 'None'))}\n\n",
        "--- NOTIFICATION COMMAND LINE ---\n",
        f"Program Path:    {_shown(program)}\n",
        f"Arguments:       {_shown(arguments)}\n",
        f"Has Notify Interface:  {1 if job.has_notify_interface else 0}\n",
        f"Notify Flags:    {job.notify_flags}\n\n",
        "--- NETWORK PROGRESS ---\n",
        f"Job Type:        {job.job_type}\n",
        f"Priority:        {job.priority}\n",
        f"Bytes:           {bytes_done} / {bytes_total}\n",
        f"Files:           {files_done} / {files_total}\n\n",
        "--- TIMING SIGNATURES ---\n",
        f"Created (UTC):         {_time_text(job.created)}\n",
        f"Modified (UTC):        {_time_text(job.modified)}\n",
        f"Completed (UTC):       {_time_text(job.completed)}\n\n",
        f"--- FILES ({len(job.files)}) ---\n",
    ]
    for number, f in enumerate(job.files, start=1):
        lines.append(f"[{number}] Remote: {_shown(f.remote)}\n")
        lines.append(f"     Local:  {_shown(f.local)}\n")
        lines.append(f"     Bytes:  {f.transferred} / {f.total}\n\n")
    return "".join(lines)


def report_bytes(job):
    return report_text(job).encode("utf-8")


def export_bytes(job):
    """The export file: the report's UTF-8 bytes with every line feed stored as CR LF."""
    return report_bytes(job).replace(b"\n", b"\r\n")


class QueueModel:
    """The sample queue as the user's commands change it, with the service's answers: a finished
    job (cancelled or acknowledged) refuses every command, resuming a job without files is
    refused, an upload can be completed only once it is transferred, and cancelling or completing
    a job removes it."""

    def __init__(self):
        self.jobs = list(SAMPLE_JOBS)

    def on_line(self, line):
        return self.jobs[line - 1]

    def _finished(self, job):
        return job.state in ("Cancelled", "Acknowledged")

    def suspend(self, line):
        job = self.on_line(line)
        if self._finished(job):
            return False
        self.jobs[line - 1] = job.with_state("Suspended")
        return True

    def resume(self, line):
        job = self.on_line(line)
        if self._finished(job) or not job.files:
            return False
        if all(f.done for f in job.files):
            state = "Transferred"
        elif job.state in ("Queued", "Connecting", "Transferring"):
            state = job.state
        else:
            state = "Queued"
        self.jobs[line - 1] = job.with_state(state)
        return True

    def cancel(self, line):
        return self._remove(line)

    def complete(self, line):
        job = self.on_line(line)
        if job.job_type == "Upload" and job.state != "Transferred":
            return False
        return self._remove(line)

    def _remove(self, line):
        if self._finished(self.on_line(line)):
            return False
        del self.jobs[line - 1]
        return True
