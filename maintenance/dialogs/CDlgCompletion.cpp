#include "CDlgCompletion.h"

#include "CDlgValueHistory.h"
#include "DialogUnits.h"
#include "FileDialogs.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

CDlgCompletion::CDlgCompletion(QWidget* pParent)
    : QDialog(pParent), m_overview(theDB, this), m_classes(new QComboBox(this)),
      m_grid(new QTableWidget(this)), m_counts(new QListWidget(this))
{
    setObjectName(QStringLiteral("CDlgCompletion"));
    setFont(platform::dialogFont());
    setWindowTitle(CompletionOverview::title());
    resize(900, 560);

    auto* view = new QPushButton(QStringLiteral("查看"), this);
    auto* exportClass = new QPushButton(QStringLiteral("导出本班"), this);
    auto* exportAll = new QPushButton(QStringLiteral("导出全部"), this);
    auto* back = new QPushButton(QStringLiteral("返回"), this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("班级"), this));
    top->addWidget(m_classes, 1);
    for (QPushButton* b : {view, exportClass, exportAll, back})
        top->addWidget(b);
    auto* rule = new QLabel(
        CompletionRule::preHistoryRule() + QStringLiteral(" 双击一格查看该学生的成绩历史."), this);
    rule->setWordWrap(true);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_counts->setMaximumWidth(220);
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_grid, 1);
    middle->addWidget(m_counts);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(rule);
    layout->addLayout(middle, 1);

    connect(view, &QPushButton::clicked, this, &CDlgCompletion::OnView);
    connect(exportClass, &QPushButton::clicked, this, [this] { OnExport(false); });
    connect(exportAll, &QPushButton::clicked, this, [this] { OnExport(true); });
    connect(back, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_grid, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { OnHistory(row); });

    // The class picked is the class shown, so "导出本班" exports what the window shows.
    if (m_overview.loadClasses())
        m_classes->addItems(m_overview.classCaptions());
    connect(m_classes, &QComboBox::currentIndexChanged, this, &CDlgCompletion::OnView);
    OnView();
}

void CDlgCompletion::OnView()
{
    const int index = m_classes->currentIndex();
    if (index < 0 || !m_overview.show(m_overview.classNumbers().at(index)))
        return;
    const QStringList heads = m_overview.headings();
    const int rows = int(m_overview.current().pupils.size());
    m_grid->clear();
    m_grid->setColumnCount(int(heads.size()));
    m_grid->setRowCount(rows);
    m_grid->setHorizontalHeaderLabels(heads);
    for (int r = 0; r < rows; ++r) {
        const QStringList cells = m_overview.rowCells(r);
        for (int c = 0; c < cells.size(); ++c)
            m_grid->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    m_grid->resizeColumnsToContents();
    m_counts->clear();
    m_counts->addItems(m_overview.counts());
}

void CDlgCompletion::OnHistory(int row)
{
    if (row < 0 || row >= int(m_overview.current().pupils.size()))
        return;
    const store::ResultPupil& pupil = m_overview.current().pupils.at(size_t(row)).pupil;
    CDlgValueHistory dlg(pupil.id, pupil.studentNumber + QLatin1Char(' ') + pupil.name, this);
    dlg.exec();
    if (dlg.changed())
        OnView();
}

void CDlgCompletion::OnExport(bool all)
{
    if (!all && m_overview.current().classNo.isEmpty())
        return;
    const QString path = platform::getSaveFileName(
        this,
        {CompletionOverview::title(), QString(),
         (all ? QStringLiteral("成绩") : m_overview.current().classNo) + QStringLiteral(".xlsx"),
         QStringLiteral("xlsx"), QStringLiteral("Excel (*.xlsx)")});
    if (!path.isEmpty())
        m_overview.exportTo(path, all);
}
