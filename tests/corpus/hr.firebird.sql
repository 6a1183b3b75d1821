-- People and their managers: departments led by an employee, employees in a department, reporting
-- to another employee, a badge each and a numbered history of jobs.
create domain salary_amount as numeric(9, 2) check (value between 1000 and 20000);
create table departments (
  id integer not null primary key,
  name varchar(50) not null unique,
  manager_id integer
);
create table jobs (
  code char(6) not null primary key,
  job_title varchar(40) not null,
  min_salary integer not null check (min_salary between 1000 and 5000)
);
create table employees (
  id integer not null primary key,
  first_name varchar(30) not null,
  last_name varchar(30) not null,
  email varchar(80) not null unique,
  phone_number varchar(20),
  hire_date date not null,
  birth_date date,
  salary salary_amount not null,
  department_id integer not null references departments (id),
  manager_id integer references employees (id),
  job_code char(6) not null references jobs (code)
);
alter table departments add foreign key (manager_id) references employees (id);
create table badges (
  employee_id integer not null unique references employees (id),
  badge_no char(10) not null
);
create table job_history (
  employee_id integer not null references employees (id),
  seq_no smallint not null,
  job_code char(6) not null references jobs (code),
  start_date date not null,
  primary key (employee_id, seq_no)
);
